#include "net/Socket.h"

#include <cctype>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace net {
namespace {

// Keep-alive probes start after this many idle seconds, so a switcher unplugged from the network is
// noticed within about half a minute rather than the system's two hours.
constexpr int kKeepIdleSeconds = 10;
constexpr int kKeepIntervalSeconds = 3;
constexpr int kKeepProbes = 3;

std::string lowerFirst(std::string text) {
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

SocketError errorFor(int error) {
    switch (error) {
    case 0:
        return {};
    case ECONNREFUSED:
        return {SocketError::Refused, {}};
    case ETIMEDOUT:
        return {SocketError::TimedOut, {}};
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
        return {SocketError::Unreachable, {}};
    default:
        return {SocketError::Other, lowerFirst(std::strerror(error))};
    }
}

SocketError lookupError(int code) {
    switch (code) {
    case EAI_NONAME:
    case EAI_FAIL:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
        return {SocketError::NoSuchHost, {}};
    case EAI_SYSTEM:
        return errorFor(errno);
    default:
        return {SocketError::Other, lowerFirst(::gai_strerror(code))};
    }
}

void closeQuietly(int &fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

void setOption(int fd, int level, int name, int value) {
    // A socket that refuses one of these still works: the option only makes it better.
    (void)::setsockopt(fd, level, name, &value, sizeof value);
}

} // namespace

Socket::Socket() = default;

Socket::~Socket() {
    close();
    closeQuietly(m_signalRead);
    closeQuietly(m_signalWrite);
}

bool Socket::systemStartUp(SocketError &) {
    return true;
}

std::vector<Socket::Address> Socket::resolve(const std::string &host, std::uint16_t port,
                                             SocketError &error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo *list = nullptr;
    const int code = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
    if (code != 0) {
        error = lookupError(code);
        return {};
    }
    std::vector<Address> addresses;
    for (const addrinfo *entry = list; entry; entry = entry->ai_next) {
        const auto *bytes = reinterpret_cast<const std::uint8_t *>(entry->ai_addr);
        addresses.push_back({entry->ai_family, {bytes, bytes + entry->ai_addrlen}});
    }
    ::freeaddrinfo(list);
    if (addresses.empty())
        error = {SocketError::NoSuchHost, {}};
    return addresses;
}

bool Socket::createSignal() {
    if (m_signalRead >= 0)
        return true;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    m_signalRead = fds[0];
    m_signalWrite = fds[1];
    return true;
}

bool Socket::raiseSignal() {
    const char one = 1;
    for (;;) {
        if (::write(m_signalWrite, &one, 1) == 1)
            return true;
        if (errno == EINTR)
            continue;
        // A full pipe is signalled already.
        return errno == EAGAIN;
    }
}

void Socket::takeSignal() {
    char drain[64];
    for (;;) {
        const ssize_t n = ::read(m_signalRead, drain, sizeof drain);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
    }
}

Socket::Connect Socket::connect(const Address &address, SocketError &error) {
    close();
    m_fd = ::socket(address.family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (m_fd < 0) {
        error = errorFor(errno);
        return Connect::Failed;
    }
    setOption(m_fd, IPPROTO_TCP, TCP_NODELAY, 1);
    setOption(m_fd, SOL_SOCKET, SO_KEEPALIVE, 1);
#ifdef TCP_KEEPIDLE
    setOption(m_fd, IPPROTO_TCP, TCP_KEEPIDLE, kKeepIdleSeconds);
    setOption(m_fd, IPPROTO_TCP, TCP_KEEPINTVL, kKeepIntervalSeconds);
    setOption(m_fd, IPPROTO_TCP, TCP_KEEPCNT, kKeepProbes);
#endif
    const auto *target = reinterpret_cast<const sockaddr *>(address.bytes.data());
    if (::connect(m_fd, target, static_cast<socklen_t>(address.bytes.size())) == 0)
        return Connect::Done;
    // Interrupted, the connect goes on in the background like one in progress.
    if (errno == EINPROGRESS || errno == EINTR)
        return Connect::InProgress;
    error = errorFor(errno);
    close();
    return Connect::Failed;
}

SocketError Socket::connectResult() {
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        error = errno;
    return errorFor(error);
}

bool Socket::isOpen() const {
    return m_fd >= 0;
}

void Socket::close() {
    closeQuietly(m_fd);
}

Socket::Io Socket::read(std::uint8_t *buffer, std::size_t capacity) {
    for (;;) {
        const ssize_t n = ::recv(m_fd, buffer, capacity, 0);
        if (n > 0)
            return {Io::Ok, static_cast<std::size_t>(n), {}};
        if (n == 0)
            return {Io::Closed, 0, {}};
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return {Io::WouldBlock, 0, {}};
        return {Io::Failed, 0, errorFor(errno)};
    }
}

Socket::Io Socket::write(const std::uint8_t *data, std::size_t size) {
    for (;;) {
        // MSG_NOSIGNAL: a peer that has gone away is a failed send, not a SIGPIPE for the process.
        const ssize_t n = ::send(m_fd, data, size, MSG_NOSIGNAL);
        if (n >= 0)
            return {Io::Ok, static_cast<std::size_t>(n), {}};
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return {Io::WouldBlock, 0, {}};
        return {Io::Failed, 0, errorFor(errno)};
    }
}

Socket::Wake Socket::wait(bool wantRead, bool wantWrite, int timeoutMs) {
    pollfd fds[2] = {{m_signalRead, POLLIN, 0}, {m_fd, 0, 0}};
    if (wantRead)
        fds[1].events |= POLLIN;
    if (wantWrite)
        fds[1].events |= POLLOUT;
    const nfds_t count = m_fd >= 0 ? 2 : 1;
    Wake wake;
    const int ready = ::poll(fds, count, timeoutMs);
    if (ready < 0) {
        // A signal handler ran: the caller looks at its state and waits again.
        if (errno == EINTR)
            return wake;
        wake.failed = true;
        wake.error = errorFor(errno);
        return wake;
    }
    wake.timedOut = ready == 0;
    wake.signalled = (fds[0].revents & POLLIN) != 0;
    if (count == 2) {
        const short events = fds[1].revents;
        wake.readable = (events & POLLIN) != 0;
        // A connect that failed shows as POLLOUT with POLLERR; either way the attempt has ended.
        wake.writable = (events & POLLOUT) != 0 || (wantWrite && (events & (POLLERR | POLLHUP)) != 0);
        wake.hangUp = (events & (POLLERR | POLLHUP)) != 0;
    }
    return wake;
}

} // namespace net
