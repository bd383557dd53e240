#include "VideohubClient.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

int millisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 3'600'000));
}

bool allDigits(std::string_view text) {
    return !text.empty() && text.size() <= 6 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "<index> <rest>": the index and everything after the blank that follows it.
std::optional<std::pair<int, std::string>> indexedLine(const std::string &line) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string::npos || !allDigits(std::string_view(line).substr(0, blank)))
        return std::nullopt;
    return std::pair{std::stoi(line.substr(0, blank)), line.substr(blank + 1)};
}

} // namespace

VideohubClient::VideohubClient(std::uint16_t port) {
    m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (m_socket == -1 || ::connect(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::fcntl(m_socket, F_SETFL, O_NONBLOCK) != 0) {
        if (m_socket != -1)
            ::close(m_socket);
        m_socket = -1;
    }
}

VideohubClient::~VideohubClient() {
    if (m_socket != -1)
        ::close(m_socket);
}

bool VideohubClient::route(int output, int input) {
    return sendBlock("VIDEO OUTPUT ROUTING:", std::to_string(output) + ' ' + std::to_string(input));
}

bool VideohubClient::setInputLabel(int input, std::string_view label) {
    return sendBlock("INPUT LABELS:", std::to_string(input) + ' ' + std::string(label));
}

bool VideohubClient::setOutputLabel(int output, std::string_view label) {
    return sendBlock("OUTPUT LABELS:", std::to_string(output) + ' ' + std::string(label));
}

bool VideohubClient::lock(int output, char letter) {
    return sendBlock("VIDEO OUTPUT LOCKS:", std::to_string(output) + ' ' + letter);
}

bool VideohubClient::ping() {
    return ask("PING:");
}

bool VideohubClient::ask(std::string_view header) {
    return sendRaw(std::string(header) + "\n\n");
}

bool VideohubClient::sendBlock(std::string_view header, const std::string &line) {
    return sendRaw(std::string(header) + '\n' + line + "\n\n");
}

bool VideohubClient::sendRaw(std::string_view bytes) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (connected() && !bytes.empty()) {
        const ssize_t sent = ::send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        pollfd writable{m_socket, POLLOUT, 0};
        if (sent < 0 && errno == EAGAIN && ::poll(&writable, 1, millisecondsUntil(deadline)) > 0)
            continue;
        return false;
    }
    return bytes.empty();
}

std::optional<VideohubClient::Reply> VideohubClient::waitForReply(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (m_replies.empty() && readUntil(deadline)) {
    }
    if (m_replies.empty())
        return std::nullopt;
    const Reply reply = m_replies.front();
    m_replies.pop_front();
    return reply;
}

bool VideohubClient::waitFor(const std::function<bool(const State &)> &condition,
                             std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!condition(m_state) && readUntil(deadline)) {
    }
    return condition(m_state);
}

bool VideohubClient::waitForClose(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!m_closed && readUntil(deadline)) {
    }
    return m_closed;
}

// Reads what has arrived, waiting for it until the deadline; false when nothing more can come in time.
bool VideohubClient::readUntil(Clock::time_point deadline) {
    if (!connected() || m_closed)
        return false;
    pollfd readable{m_socket, POLLIN, 0};
    const int ready = ::poll(&readable, 1, millisecondsUntil(deadline));
    if (ready <= 0)
        return ready < 0 && errno == EINTR;
    char buffer[65536];
    const ssize_t received = ::recv(m_socket, buffer, sizeof buffer, 0);
    if (received < 0 && (errno == EINTR || errno == EAGAIN))
        return true;
    if (received <= 0) {
        m_closed = true;
        return false;
    }
    m_pending.append(buffer, static_cast<std::size_t>(received));
    for (std::size_t end; (end = m_pending.find('\n')) != std::string::npos;) {
        std::string line = m_pending.substr(0, end);
        m_pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        takeLine(std::move(line));
    }
    return true;
}

void VideohubClient::takeLine(std::string line) {
    if (!line.empty()) {
        if (m_header)
            m_lines.push_back(std::move(line));
        else
            m_header = std::move(line);
        return;
    }
    if (m_header)
        applyBlock(*m_header, m_lines);
    m_header.reset();
    m_lines.clear();
}

void VideohubClient::applyBlock(const std::string &header, const std::vector<std::string> &lines) {
    std::string text = header;
    for (const std::string &line : lines)
        text += '\n' + line;
    m_blocks.push_back(text);

    if (header == "ACK" || header == "NAK") {
        m_replies.push_back(header == "ACK" ? Reply::Ack : Reply::Nak);
    } else if (header == "END PRELUDE:") {
        m_state.preludeEnded = true;
    } else if (header == "VIDEOHUB DEVICE:") {
        m_state.device.clear();
        for (const std::string &line : lines)
            if (const std::size_t colon = line.find(": "); colon != std::string::npos)
                m_state.device[line.substr(0, colon)] = line.substr(colon + 2);
        m_state.devicePresent = m_state.device["Device present"] == "true";
    }
    for (const std::string &line : lines) {
        const auto indexed = indexedLine(line);
        if (!indexed)
            continue;
        const auto &[index, rest] = *indexed;
        if (header == "INPUT LABELS:")
            m_state.inputLabels[index] = rest;
        else if (header == "OUTPUT LABELS:")
            m_state.outputLabels[index] = rest;
        else if (header == "VIDEO OUTPUT LOCKS:" && rest.size() == 1)
            m_state.locks[index] = rest[0];
        else if (header == "VIDEO OUTPUT ROUTING:" && allDigits(rest))
            m_state.routing[index] = std::stoi(rest);
    }
}

} // namespace testsupport
