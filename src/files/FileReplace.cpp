#include "files/FileReplace.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace files {

namespace {

bool writeAll(int fd, const std::string &bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool ReplaceFileContent(const std::string &path, const std::string &bytes) {
    const std::string temp = path + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

std::vector<std::string> StoreConsoleFile(const std::string &path, const std::string &bytes,
                                          const std::string &cannotCreateMessage) {
    std::vector<std::string> messages;
    if (ReplaceFileContent(path, bytes))
        return messages;
    messages.push_back(cannotCreateMessage);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        messages.push_back("failed");
    return messages;
}

} // namespace files
