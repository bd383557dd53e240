#include "sim/LinkLock.h"

#include "sim/PathInFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvexsim {
namespace {

std::string lockPathFor(const std::string &link) {
    const std::size_t slash = link.rfind('/');
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    return link.substr(0, name) + "." + link.substr(name) + ".lock";
}

pid_t pidIn(int fd) {
    char text[32] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    return n > 0 ? static_cast<pid_t>(std::strtol(text, nullptr, 10)) : 0;
}

} // namespace

LinkLock::LinkLock(std::string linkPath) : m_path(lockPathFor(linkPath)) {}

LinkLock::~LinkLock() {
    release();
}

LinkLock::Outcome LinkLock::take(std::string &error) {
    if (m_fd >= 0)
        return Outcome::Taken;
    m_holder = 0;
    // A holder that is ending removes the file while we open it: then the lock we get is on a file
    // nobody else will look at, and we try again with the one now at the path.
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno == EACCES) // another user's lock file: it can still be locked
            fd = ::open(m_path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            error = "cannot make the lock file " + pathInFolder(m_path) + ": " + std::strerror(errno);
            return Outcome::Failed;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int failure = errno;
            m_holder = pidIn(fd);
            ::close(fd);
            if (failure == EWOULDBLOCK)
                return Outcome::Held;
            error = "cannot lock " + pathInFolder(m_path) + ": " + std::strerror(failure);
            return Outcome::Failed;
        }
        struct stat opened = {};
        struct stat named = {};
        if (::fstat(fd, &opened) == 0 && ::stat(m_path.c_str(), &named) == 0 &&
            opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
            // Only a refusal's message reads the pid: failing to write it costs that, not the lock.
            const std::string pid = std::to_string(::getpid()) + "\n";
            [[maybe_unused]] const bool written =
                ::ftruncate(fd, 0) == 0 && ::pwrite(fd, pid.data(), pid.size(), 0) > 0;
            m_fd = fd;
            return Outcome::Taken;
        }
        ::close(fd);
    }
    error = "cannot lock " + pathInFolder(m_path) + ": it keeps being replaced";
    return Outcome::Failed;
}

void LinkLock::release() {
    if (m_fd < 0)
        return;
    // Removed while still locked, so that nobody takes a lock on a file about to go.
    ::unlink(m_path.c_str());
    ::close(m_fd);
    m_fd = -1;
}

} // namespace korvexsim
