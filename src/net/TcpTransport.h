#pragma once

#include "net/Socket.h"
#include "session/HandOff.h"
#include "session/Transport.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace net {

// A switcher's LAN port as a session transport: the same bytes as on its RS-232 line, over TCP.
//
// open() returns at once; a worker thread looks the host up, connects (each address in turn, each
// within the connect time-out), then writes what the session queued and reads. Everything it has for
// the session (received chunks, "connected", "dropped" with the reason) crosses to the session's
// thread through the owner's hand-off, so all reports happen on the session's thread, in order.
//
// The lookup runs on a thread of its own that nobody waits for (getaddrinfo cannot be interrupted):
// close() wakes the worker through the socket's signal, stops it and closes the socket promptly in
// every state, and a lookup still running is left to finish and be forgotten.
class TcpTransport : public session::ITransport {
public:
    static constexpr std::chrono::milliseconds kConnectTimeout{5000};
    // Bytes queued and not yet taken by the worker; beyond this write() refuses.
    static constexpr std::size_t kQueueLimit = 64 * 1024;

    TcpTransport(std::string host, std::uint16_t port, session::IHandOff &handOff,
                 std::chrono::milliseconds connectTimeout = kConnectTimeout);
    ~TcpTransport() override;
    TcpTransport(const TcpTransport &) = delete;
    TcpTransport &operator=(const TcpTransport &) = delete;

    // Where the next open connects.
    void setEndpoint(std::string host, std::uint16_t port);
    const std::string &host() const { return m_host; }
    std::uint16_t port() const { return m_port; }

    bool open(session::ITransportEvents *events, bool serve) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool write(const std::uint8_t *data, std::size_t size) override;
    bool failed() const override { return m_failed; }
    void clearFailure() override { m_failed = false; }
    // "host:port", an IPv6 address in brackets: "[fe80::1]:8000".
    std::string name() const override;
    // Why the connection failed or dropped: "connection refused", "timed out", "no such host",
    // "network unreachable", or the system's short text ("connection reset by peer").
    std::string failureText() const override { return m_failureText; }
    bool connectsLater() const override { return true; }
    // After a drop: 1, 2, 4, 8, 16, then every 30 seconds.
    std::vector<int> reconnectSchedule() const override { return {1000, 2000, 4000, 8000, 16000, 30000}; }

private:
    struct Lookup;

    void workerMain(std::shared_ptr<Lookup> lookup, bool serve);
    bool awaitLookup(const std::shared_ptr<Lookup> &lookup, std::vector<Socket::Address> &addresses,
                     SocketError &error);
    bool connectAny(const std::vector<Socket::Address> &addresses, SocketError &error);
    void serveConnection(bool serve);
    bool serveWrites();
    void drainInput();
    void lineDown(const SocketError &error);
    // The session's side of the worker's reports.
    void reportBytes(const std::uint8_t *data, std::size_t size);
    void reportConnected();
    void reportDropped(std::string why);
    void stopWorker();

    std::string m_host;
    std::uint16_t m_port;
    std::chrono::milliseconds m_connectTimeout;

    // Owner's thread only.
    session::ITransportEvents *m_events = nullptr;
    bool m_open = false;
    bool m_failed = false;
    std::string m_failureText;
    std::shared_ptr<Lookup> m_lookup;

    session::HandOffChannel m_channel; // outlives the worker
    Socket m_socket;                   // the worker's, except its signal
    std::thread m_worker;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_workerAlive{false};

    // The worker's own.
    bool m_down = false;
    std::vector<std::uint8_t> m_writing; // the request being written
    std::size_t m_written = 0;

    std::mutex m_queueLock; // guards the queue and the worker's end
    std::condition_variable m_workerStopped;
    std::deque<std::vector<std::uint8_t>> m_queue;
    std::size_t m_queuedBytes = 0;
};

} // namespace net
