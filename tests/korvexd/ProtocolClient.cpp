#include "ProtocolClient.h"

#include "WaitFor.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

bool ProtocolClient::connect(std::uint16_t port, int receiveBuffer) {
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receiveBuffer > 0)
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        return false;
    return ::fcntl(m_fd, F_SETFL, O_NONBLOCK) == 0;
}

bool ProtocolClient::send(const std::string &bytes, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{m_fd, POLLOUT, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            return false;
    }
    return true;
}

void ProtocolClient::pump() {
    char buffer[65536];
    ssize_t n = 0;
    while (m_fd >= 0 && !m_peerClosed && (n = ::recv(m_fd, buffer, sizeof buffer, 0)) > 0)
        m_received.append(buffer, static_cast<std::size_t>(n));
    // End of stream, or a reset.
    m_peerClosed = m_peerClosed || n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR);
}

void ProtocolClient::close(bool reset) {
    const linger now{1, 0};
    if (m_fd >= 0 && reset)
        ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

std::size_t ProtocolClient::count(const std::string &text) const {
    return countBefore(text, std::string());
}

std::size_t ProtocolClient::countBefore(const std::string &text, const std::string &mark) const {
    const std::size_t end = mark.empty() ? std::string::npos : m_received.find(mark);
    std::size_t found = 0;
    for (std::size_t at = m_received.find(text);
         at != std::string::npos && (end == std::string::npos || at < end);
         at = m_received.find(text, at + 1))
        ++found;
    return found;
}

bool ProtocolClient::waitForCount(const std::string &text, std::size_t times, int timeoutMs) {
    return testsupport::waitFor([&] { return pump(), count(text) >= times; }, timeoutMs);
}

bool ProtocolClient::waitForClose(int timeoutMs) {
    return testsupport::waitFor([&] { return pump(), m_peerClosed; }, timeoutMs);
}
