#include "files/FileReplace.h"

#include <algorithm>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace files {

namespace {

#ifdef _WIN32

bool writeAll(HANDLE file, const std::string &bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

#else

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

#endif

} // namespace

#ifdef _WIN32

bool replaceFileContent(const std::string &path, const std::string &bytes) {
    const std::string temp = path + ".tmp";
    const HANDLE file =
        ::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = writeAll(file, bytes) && ::FlushFileBuffers(file);
    ok = ::CloseHandle(file) && ok;
    // Replaces the old file in one step, as rename() does on POSIX.
    ok = ok && ::MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok)
        ::DeleteFileA(temp.c_str());
    return ok;
}

#else

bool replaceFileContent(const std::string &path, const std::string &bytes) {
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

#endif

std::vector<std::string> storeConsoleFile(const std::string &path, const std::string &bytes,
                                          const std::string &cannotCreateMessage) {
    std::vector<std::string> messages;
    if (replaceFileContent(path, bytes))
        return messages;
    messages.push_back(cannotCreateMessage);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        messages.push_back("failed");
    return messages;
}

} // namespace files
