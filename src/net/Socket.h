#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace net {

// Why a name lookup, a connection or a transfer failed: the reasons an operator can act on, and the
// system's own short text for anything else.
struct SocketError {
    // Closed: the other end closed the connection.
    enum Kind { None, Refused, TimedOut, NoSuchHost, Unreachable, Closed, Other } kind = None;
    std::string text; // Other: what the system says, lower case ("connection reset by peer")
};

// The operating-system side of one TCP connection and the wake-up signal its worker waits on beside
// it: name lookup, a non-blocking connect, raw non-blocking reads and writes, and one wait for all of
// them. One file per system implements it, and every socket call of the console lives there:
// getaddrinfo, socket options, poll and a self-pipe in SocketPosix.cpp; Winsock, WSAEventSelect and
// events in SocketWin32.cpp.
//
// Readiness model: wait() reports the socket readable, writable (or its connect ended) and hung up
// (the peer reset it, or closed it while nothing is read). Reads and writes never block; a write
// that reports WouldBlock is offered again after wait(..., wantWrite) said writable.
//
// Not thread-safe except raiseSignal(), which any thread may call while the worker uses the rest.
class Socket {
public:
    // One resolved address: the system's socket address as bytes.
    struct Address {
        int family = 0;
        std::vector<std::uint8_t> bytes;
    };

    struct Io {
        enum Status { Ok, WouldBlock, Closed, Failed } status = Ok;
        std::size_t count = 0; // bytes moved when Ok
        SocketError error;     // when Failed
    };

    struct Wake {
        bool signalled = false; // raiseSignal() was called
        bool readable = false;
        bool writable = false; // also: the connect in progress has ended, either way
        bool hangUp = false;
        bool timedOut = false;
        bool failed = false; // the wait itself failed (error says why)
        SocketError error;
    };

    enum class Connect { Done, InProgress, Failed };

    Socket();
    ~Socket();
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;

    // Starts the system's socket library: Windows' WSAStartup, once per process and never undone;
    // elsewhere nothing. The console calls it as it starts, the TCP transport before each connection.
    static bool startUp(SocketError &error) { return s_startUp.load()(error); }
    // The call startUp makes, replaceable so that a test can see a failure handled; returns the call
    // it replaces, to be put back.
    using StartUpCall = bool (*)(SocketError &error);
    static StartUpCall replaceStartUp(StartUpCall call) { return s_startUp.exchange(call); }
    // The addresses of host (a name or a numeric IPv4 or IPv6 address) for a TCP connection to port,
    // in the system's order (getaddrinfo). Blocks for as long as the system's lookup takes.
    static std::vector<Address> resolve(const std::string &host, std::uint16_t port, SocketError &error);

    // The wake-up signal: made once and kept across connections; takeSignal() lowers it.
    bool createSignal();
    bool raiseSignal();
    void takeSignal();

    // Makes a non-blocking socket for the address (close-on-exec, TCP_NODELAY, SO_KEEPALIVE with probes
    // after a few idle seconds) and starts connecting it. InProgress: wait(..., wantWrite) tells when
    // the attempt ended, and connectResult() how.
    Connect connect(const Address &address, SocketError &error);
    // How the connect ended, or why the socket hung up: kind None when it is connected and well.
    SocketError connectResult();
    bool isOpen() const;
    void close();

    Io read(std::uint8_t *buffer, std::size_t capacity);
    Io write(const std::uint8_t *data, std::size_t size);

    // Blocks until the signal is raised, the socket (when open) is ready as asked or hung up, or
    // timeoutMs passes (-1: no limit). Without an open socket only the signal counts.
    Wake wait(bool wantRead, bool wantWrite, int timeoutMs);

private:
    static bool systemStartUp(SocketError &error);
    static inline std::atomic<StartUpCall> s_startUp{&Socket::systemStartUp};

#ifdef _WIN32
    void collectEvents();
    std::uintptr_t m_socket;       // SOCKET; INVALID_SOCKET when closed
    void *m_socketEvent = nullptr; // WSAEventSelect's event
    void *m_signal = nullptr;      // the wake-up signal: a manual-reset event
    bool m_readReady = false;      // network events seen and not yet reported
    bool m_writeReady = false;
    bool m_closedSeen = false;
    int m_connectError = 0; // FD_CONNECT's or FD_CLOSE's error code
#else
    int m_fd = -1;
    int m_signalRead = -1; // self-pipe: read end
    int m_signalWrite = -1;
#endif
};

} // namespace net
