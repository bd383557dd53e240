#include "sim/TcpListener.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace korvexsim {
namespace {

// "host:port" with an IPv6 address in brackets; empty when the address cannot be printed.
std::string printable(const sockaddr *address, socklen_t length) {
    char host[NI_MAXHOST];
    char port[NI_MAXSERV];
    if (::getnameinfo(address, length, host, sizeof host, port, sizeof port,
                      NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return {};
    const bool ipv6 = address->sa_family == AF_INET6;
    return (ipv6 ? "[" + std::string(host) + "]" : std::string(host)) + ":" + port;
}

} // namespace

TcpListener::~TcpListener() {
    close();
}

bool TcpListener::open(const std::string &host, int port, std::string &error) {
    close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo *list = nullptr;
    const int code = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
    if (code != 0) {
        error = "cannot listen on " + host + ": " + ::gai_strerror(code);
        return false;
    }
    int lastError = 0;
    for (const addrinfo *entry = list; entry && m_fd < 0; entry = entry->ai_next) {
        const int fd = ::socket(entry->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        // A port a test or an installer used a moment ago can be taken again at once.
        const int one = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (::bind(fd, entry->ai_addr, entry->ai_addrlen) == 0 && ::listen(fd, 4) == 0) {
            m_fd = fd;
            break;
        }
        lastError = errno;
        ::close(fd);
    }
    ::freeaddrinfo(list);
    if (m_fd < 0) {
        error = "cannot listen on " + host + ":" + std::to_string(port) + ": " + std::strerror(lastError);
        return false;
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr *>(&bound), &length) != 0) {
        error = std::string("getsockname: ") + std::strerror(errno);
        close();
        return false;
    }
    m_address = printable(reinterpret_cast<const sockaddr *>(&bound), length);
    return true;
}

void TcpListener::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_address.clear();
}

int TcpListener::accept(std::string &peer) {
    sockaddr_storage from{};
    socklen_t length = sizeof from;
    int fd = -1;
    do {
        fd = ::accept4(m_fd, reinterpret_cast<sockaddr *>(&from), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    // Replies go out as they are made, like bytes on a serial line.
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    peer = printable(reinterpret_cast<const sockaddr *>(&from), length);
    return fd;
}

void TcpListener::refuse(int fd, std::string_view line) {
    // A fresh connection's send buffer is empty: the line goes out whole without waiting.
    (void)::send(fd, line.data(), line.size(), MSG_NOSIGNAL);
    hangUp(fd);
}

void TcpListener::hangUp(int fd) {
    char discard[4096];
    for (int reads = 0; reads < 64 && ::recv(fd, discard, sizeof discard, 0) > 0; ++reads) {
    }
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
}

} // namespace korvexsim
