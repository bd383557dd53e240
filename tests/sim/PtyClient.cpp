#include "PtyClient.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace simtest {
namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

PtyClient::~PtyClient() {
    close();
}

bool PtyClient::open(const std::string &path) {
    close();
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return false;
    termios t{};
    if (::tcgetattr(m_fd, &t) == 0) {
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, B57600);
        ::cfsetospeed(&t, B57600);
        ::tcsetattr(m_fd, TCSANOW, &t);
    }
    ::tcflush(m_fd, TCIOFLUSH);
    m_buffer.clear();
    m_hungUp = false;
    return true;
}

void PtyClient::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool PtyClient::send(std::string_view bytes, int timeoutMs) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t done = 0;
    while (m_fd >= 0 && done < bytes.size()) {
        ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd p{m_fd, POLLOUT, 0};
        if (::poll(&p, 1, remainingMs(deadline)) <= 0)
            return false;
    }
    return m_fd >= 0 && done == bytes.size();
}

bool PtyClient::command(std::string_view text, std::string_view prefix) {
    std::string line = "\r\n";
    line += prefix;
    line += text;
    line += "\r\n";
    return send(line);
}

bool PtyClient::fill(int timeoutMs) {
    if (m_fd < 0 || m_hungUp)
        return false;
    pollfd p{m_fd, POLLIN, 0};
    int ready = ::poll(&p, 1, timeoutMs);
    if (ready <= 0)
        return false;
    char buf[8192];
    ssize_t n = ::read(m_fd, buf, sizeof buf);
    if (n > 0) {
        m_buffer.append(buf, static_cast<std::size_t>(n));
        return true;
    }
    if (n == 0 || (errno != EAGAIN && errno != EINTR))
        m_hungUp = true;
    return false;
}

std::optional<std::string> PtyClient::readLine(int timeoutMs) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        std::size_t lf = m_buffer.find('\n');
        if (lf != std::string::npos) {
            std::string line = m_buffer.substr(0, lf);
            m_buffer.erase(0, lf + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return line;
        }
        int left = remainingMs(deadline);
        if (left == 0 || m_hungUp)
            return std::nullopt;
        fill(left);
    }
}

std::vector<std::string> PtyClient::readLines(std::size_t n, int timeoutMs) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::string> lines;
    while (lines.size() < n) {
        std::optional<std::string> line = readLine(remainingMs(deadline));
        if (!line)
            break;
        lines.push_back(*line);
    }
    return lines;
}

std::string PtyClient::readBytes(std::size_t n, int timeoutMs) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_buffer.size() < n) {
        int left = remainingMs(deadline);
        if (left == 0 || m_hungUp)
            break;
        fill(left);
    }
    std::string out = m_buffer.substr(0, n);
    m_buffer.erase(0, out.size());
    return out;
}

std::string PtyClient::readAvailable() {
    while (fill(0)) {
    }
    std::string out;
    out.swap(m_buffer);
    return out;
}

bool PtyClient::waitHangup(int timeoutMs) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!m_hungUp) {
        int left = remainingMs(deadline);
        if (left == 0)
            return false;
        pollfd p{m_fd, POLLIN, 0};
        int ready = ::poll(&p, 1, left);
        if (ready > 0 && (p.revents & (POLLHUP | POLLERR)) && !(p.revents & POLLIN))
            m_hungUp = true;
        else if (ready > 0)
            fill(0);
    }
    return true;
}

} // namespace simtest
