#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A client of korvexd's protocol port on a plain loopback socket. It reads only when asked to (pump()
// or a wait), so a test decides when it stops reading.
class ProtocolClient {
public:
    ProtocolClient() = default;
    ProtocolClient(const ProtocolClient &) = delete;
    ProtocolClient &operator=(const ProtocolClient &) = delete;
    ~ProtocolClient() { close(); }

    // A receive buffer size other than 0 is set before connecting: a client that stops reading fills up
    // soon.
    bool connect(std::uint16_t port, int receiveBuffer = 0);
    // Sends all of it, waiting for room until the deadline.
    bool send(const std::string &bytes, int timeoutMs = 10000);
    // Takes what has arrived, without waiting.
    void pump();
    // Close: a reset (SO_LINGER 0) instead of an orderly end when asked.
    void close(bool reset = false);

    const std::string &received() const { return m_received; }
    std::size_t count(const std::string &text) const;
    // How often the text arrived ahead of the first `mark` (in all, while the mark has not arrived).
    std::size_t countBefore(const std::string &text, const std::string &mark) const;
    bool closedByPeer() const { return m_peerClosed; }

    bool waitForText(const std::string &text, int timeoutMs = 20000) {
        return waitForCount(text, 1, timeoutMs);
    }
    // Waits until the text has arrived `times` times in all.
    bool waitForCount(const std::string &text, std::size_t times, int timeoutMs = 20000);
    bool waitForClose(int timeoutMs = 20000);

private:
    int m_fd = -1;
    std::string m_received;
    bool m_peerClosed = false;
};
