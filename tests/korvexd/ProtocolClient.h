#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A client of korvexd's protocol port on a plain loopback socket, for tests: it sends bytes, and reads
// what arrives only when asked to (pump(), or the waits), so a test decides when it stops reading.
class ProtocolClient {
public:
    ProtocolClient() = default;
    ~ProtocolClient();
    ProtocolClient(const ProtocolClient &) = delete;
    ProtocolClient &operator=(const ProtocolClient &) = delete;

    // Connects to 127.0.0.1:port. A receive buffer size other than 0 is set before connecting (a small
    // one makes a client that stops reading fill up soon).
    bool connect(std::uint16_t port, int receiveBuffer = 0);
    bool connected() const { return m_fd >= 0; }
    // Sends all of it, waiting for room up to the deadline; false when the peer is gone.
    bool send(const std::string &bytes, int timeoutMs = 10000);
    // Takes what has arrived without waiting; notes when korvexd closed the connection.
    void pump();

    // Everything received so far, and its complete lines.
    const std::string &received() const { return m_received; }
    std::size_t lines() const { return m_lines; }
    std::size_t count(const std::string &text) const;
    // The connection was closed by korvexd (end of stream or reset).
    bool closedByPeer() const { return m_peerClosed; }

    // Waits (reading) for this many complete lines in all, or for the text to have arrived.
    bool waitForLines(std::size_t lines, int timeoutMs = 20000);
    bool waitForText(const std::string &text, int timeoutMs = 20000);
    bool waitForClose(int timeoutMs = 20000);

    // Closes the socket; `reset` makes the close a reset (SO_LINGER 0) instead of an orderly end.
    void close(bool reset = false);

private:
    int m_fd = -1;
    std::string m_received;
    std::size_t m_lines = 0;
    bool m_peerClosed = false;
};
