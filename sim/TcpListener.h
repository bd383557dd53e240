#pragma once

#include <string>
#include <string_view>

namespace korvexsim {

// The simulator's LAN port: one listening TCP socket, and the calls on the connections it accepts.
// Every socket call of korvex-sim lives here.
class TcpListener {
public:
    TcpListener() = default;
    ~TcpListener();
    TcpListener(const TcpListener &) = delete;
    TcpListener &operator=(const TcpListener &) = delete;

    // Listens on host (a name or a numeric address) and port (0: any free port); false with error.
    bool open(const std::string &host, int port, std::string &error);
    void close();
    int fd() const { return m_fd; }
    // Where it listens, as a client names it: "127.0.0.1:40123", "[::1]:40123".
    const std::string &address() const { return m_address; }

    // The next waiting connection (non-blocking, close-on-exec) and the address it comes from; -1
    // when none is waiting.
    int accept(std::string &peer);
    // Sends line to a connection that cannot be served now, then closes it.
    static void refuse(int fd, std::string_view line);
    // Closes a connection so that what was sent before still arrives: unread input is read away first
    // (closing over it would reset the connection), the sending side is shut, then the socket closed.
    static void hangUp(int fd);

private:
    int m_fd = -1;
    std::string m_address;
};

} // namespace korvexsim
