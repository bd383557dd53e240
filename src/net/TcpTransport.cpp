#include "net/TcpTransport.h"

#include <system_error>
#include <utility>

namespace net {
namespace {

constexpr std::size_t kReadChunk = 4096;

std::string describe(const SocketError &error) {
    switch (error.kind) {
    case SocketError::None:
        return {};
    case SocketError::Refused:
        return "connection refused";
    case SocketError::TimedOut:
        return "timed out";
    case SocketError::NoSuchHost:
        return "no such host";
    case SocketError::Unreachable:
        return "network unreachable";
    case SocketError::Closed:
        return "closed by the other end";
    case SocketError::Other:
        break;
    }
    return error.text.empty() ? "connection failed" : error.text;
}

} // namespace

// One host lookup, shared by the worker that waits for it and the thread that runs it, which may
// outlive both the worker and the transport.
struct TcpTransport::Lookup {
    std::string host;
    std::uint16_t port = 0;
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    bool cancelled = false;
    std::vector<Socket::Address> addresses;
    SocketError error;
};

TcpTransport::TcpTransport(std::string host, std::uint16_t port, session::IHandOff &handOff,
                           std::chrono::milliseconds connectTimeout)
    : m_host(std::move(host)), m_port(port), m_connectTimeout(connectTimeout), m_channel(handOff) {}

TcpTransport::~TcpTransport() {
    close();
}

void TcpTransport::setEndpoint(std::string host, std::uint16_t port) {
    m_host = std::move(host);
    m_port = port;
}

std::string TcpTransport::name() const {
    const bool ipv6 = m_host.find(':') != std::string::npos;
    return (ipv6 ? "[" + m_host + "]" : m_host) + ":" + std::to_string(m_port);
}

bool TcpTransport::open(session::ITransportEvents *events, bool serve) {
    close();
    m_failed = false;
    m_failureText.clear();
    SocketError error;
    if (!Socket::startUp(error)) {
        m_failureText = describe(error);
        return false;
    }
    if (!m_socket.createSignal()) {
        m_failureText = "cannot create the worker's signal";
        return false;
    }
    m_socket.takeSignal();
    m_down = false;
    m_writing.clear();
    m_written = 0;
    m_stop = false;
    m_events = events;
    m_lookup = std::make_shared<Lookup>();
    m_lookup->host = m_host;
    m_lookup->port = m_port;
    m_workerAlive = true;
    try {
        m_worker = std::thread(&TcpTransport::workerMain, this, m_lookup, serve);
    } catch (const std::system_error &) {
        m_workerAlive = false;
        m_events = nullptr;
        m_failureText = "cannot start a thread";
        return false;
    }
    m_open = true;
    return true;
}

void TcpTransport::close() {
    stopWorker();
    m_open = false;
    m_events = nullptr;
    m_lookup.reset();
    std::lock_guard<std::mutex> guard(m_queueLock);
    m_queue.clear();
    m_queuedBytes = 0;
}

void TcpTransport::stopWorker() {
    if (!m_worker.joinable())
        return;
    m_stop = true;
    if (m_lookup) {
        std::lock_guard<std::mutex> guard(m_lookup->mutex);
        m_lookup->cancelled = true;
        m_lookup->changed.notify_all();
    }
    m_socket.raiseSignal();
    std::unique_lock<std::mutex> lock(m_queueLock);
    while (m_workerAlive) {
        // The worker may be waiting in the hand-off for this very thread: let the hand-off give up.
        lock.unlock();
        m_channel.abandon();
        lock.lock();
        m_workerStopped.wait_for(lock, std::chrono::milliseconds(1), [this] { return !m_workerAlive; });
    }
    lock.unlock();
    m_worker.join();
    m_channel.abandon(); // reports posted before the worker ended are not for the next opening
}

bool TcpTransport::write(const std::uint8_t *data, std::size_t size) {
    if (!m_open || m_failed || (!data && size > 0))
        return false;
    if (size == 0)
        return true;
    {
        std::lock_guard<std::mutex> guard(m_queueLock);
        if (m_queuedBytes + size > kQueueLimit)
            return false;
        m_queue.emplace_back(data, data + size);
        m_queuedBytes += size;
    }
    return m_socket.raiseSignal();
}

// The worker's reports, on the session's thread. The session may close the transport from inside any
// of them: nothing after the call.
void TcpTransport::reportBytes(const std::uint8_t *data, std::size_t size) {
    m_channel.postAndWait([this, bytes = std::vector<std::uint8_t>(data, data + size)] {
        if (m_open && m_events && !m_failed)
            m_events->onTransportBytes(bytes.data(), bytes.size());
    });
}

void TcpTransport::reportConnected() {
    m_channel.post([this] {
        if (m_open && m_events && !m_failed)
            m_events->onTransportConnected();
    });
}

void TcpTransport::reportDropped(std::string why) {
    m_channel.post([this, why = std::move(why)] {
        if (!m_open || !m_events || m_failed)
            return;
        m_failed = true;
        m_failureText = why;
        m_events->onTransportDrop();
    });
}

void TcpTransport::workerMain(std::shared_ptr<Lookup> lookup, bool serve) {
    std::vector<Socket::Address> addresses;
    SocketError error;
    if (awaitLookup(lookup, addresses, error)) {
        if (addresses.empty()) {
            lineDown(error);
        } else if (connectAny(addresses, error)) {
            if (!m_stop)
                reportConnected();
            serveConnection(serve);
        } else if (!m_stop) {
            lineDown(error);
        }
    }
    // A line that is down waits only to be closed.
    while (!m_stop) {
        const Socket::Wake wake = m_socket.wait(false, false, -1);
        if (wake.signalled)
            m_socket.takeSignal();
        if (wake.failed)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_socket.close();
    std::lock_guard<std::mutex> guard(m_queueLock);
    m_workerAlive = false;
    m_workerStopped.notify_all();
}

bool TcpTransport::awaitLookup(const std::shared_ptr<Lookup> &lookup, std::vector<Socket::Address> &addresses,
                               SocketError &error) {
    try {
        std::thread([shared = lookup] {
            SocketError failure;
            std::vector<Socket::Address> found = Socket::resolve(shared->host, shared->port, failure);
            std::lock_guard<std::mutex> guard(shared->mutex);
            shared->addresses = std::move(found);
            shared->error = failure;
            shared->done = true;
            shared->changed.notify_all();
        }).detach();
    } catch (const std::system_error &) {
        error = {SocketError::Other, "cannot start a thread"};
        return true;
    }
    std::unique_lock<std::mutex> lock(lookup->mutex);
    lookup->changed.wait(lock, [&] { return lookup->done || lookup->cancelled; });
    if (lookup->cancelled)
        return false;
    addresses = std::move(lookup->addresses);
    error = lookup->error;
    return true;
}

bool TcpTransport::connectAny(const std::vector<Socket::Address> &addresses, SocketError &error) {
    using Clock = std::chrono::steady_clock;
    for (const Socket::Address &address : addresses) {
        if (m_stop)
            return false;
        const Socket::Connect started = m_socket.connect(address, error);
        if (started == Socket::Connect::Done)
            return true;
        if (started == Socket::Connect::Failed)
            continue;
        const Clock::time_point deadline = Clock::now() + m_connectTimeout;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                error = {SocketError::TimedOut, {}};
                break;
            }
            const Socket::Wake wake = m_socket.wait(false, true, static_cast<int>(left.count()));
            // A write request waits in the queue until the connection is up.
            if (wake.signalled)
                m_socket.takeSignal();
            if (m_stop)
                return false;
            if (wake.failed) {
                error = wake.error;
                break;
            }
            if (wake.writable || wake.hangUp) {
                error = m_socket.connectResult();
                if (error.kind == SocketError::None)
                    return true;
                break;
            }
        }
        m_socket.close();
    }
    return false;
}

void TcpTransport::serveConnection(bool serve) {
    bool waitingForRoom = !serveWrites();
    while (!m_stop && !m_down) {
        const Socket::Wake wake = m_socket.wait(serve, waitingForRoom, -1);
        if (wake.signalled)
            m_socket.takeSignal();
        if (m_stop)
            return;
        if (wake.failed) {
            lineDown(wake.error);
            return;
        }
        // Writes first: a queued command should not wait behind a long receive.
        if (wake.signalled || (waitingForRoom && wake.writable))
            waitingForRoom = !serveWrites();
        if (m_down)
            return;
        if (serve && (wake.readable || wake.hangUp)) {
            drainInput();
        } else if (wake.hangUp) {
            const SocketError error = m_socket.connectResult();
            lineDown(error.kind == SocketError::None ? SocketError{SocketError::Closed, {}} : error);
        }
    }
}

bool TcpTransport::serveWrites() {
    for (;;) {
        if (m_written == m_writing.size()) {
            std::lock_guard<std::mutex> guard(m_queueLock);
            if (m_queue.empty()) {
                m_writing.clear();
                m_written = 0;
                return true;
            }
            m_writing = std::move(m_queue.front());
            m_queue.pop_front();
            m_queuedBytes -= m_writing.size();
            m_written = 0;
        }
        const Socket::Io io = m_socket.write(m_writing.data() + m_written, m_writing.size() - m_written);
        switch (io.status) {
        case Socket::Io::Ok:
            m_written += io.count;
            break;
        case Socket::Io::WouldBlock:
            return false;
        case Socket::Io::Closed:
        case Socket::Io::Failed:
            lineDown(io.error.kind == SocketError::None ? SocketError{SocketError::Closed, {}} : io.error);
            return true;
        }
    }
}

void TcpTransport::drainInput() {
    std::uint8_t chunk[kReadChunk];
    while (!m_stop) {
        const Socket::Io io = m_socket.read(chunk, kReadChunk);
        switch (io.status) {
        case Socket::Io::Ok:
            if (!m_stop)
                reportBytes(chunk, io.count);
            if (io.count < kReadChunk)
                return; // drained; the next wake-up tells when more arrives
            break;
        case Socket::Io::WouldBlock:
            return;
        case Socket::Io::Closed:
            lineDown({SocketError::Closed, {}});
            return;
        case Socket::Io::Failed:
            lineDown(io.error);
            return;
        }
    }
}

void TcpTransport::lineDown(const SocketError &error) {
    if (m_down)
        return;
    m_down = true;
    m_socket.close();
    {
        std::lock_guard<std::mutex> guard(m_queueLock);
        m_queue.clear();
        m_queuedBytes = 0;
    }
    m_writing.clear();
    m_written = 0;
    if (!m_stop)
        reportDropped(describe(error));
}

} // namespace net
