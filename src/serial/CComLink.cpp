#include "serial/CComLink.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <system_error>

#include "serial/PortNaming.h"

namespace serial {

namespace {

// Every comm event bit the mask may hold; anything else is refused like the platform would.
constexpr uint32_t kKnownEvents = 0x1FFF;
// One read hands the owner at most this much; more waits for the next read.
constexpr std::size_t kReadChunk = 4096;
// Queued requests may hold this many write buffers' worth before Send refuses.
constexpr std::size_t kQueueBuffers = 64;

// Notifications after each drain, in this order, when their bit is in the event mask.
struct EventNotice {
    uint32_t bit;
    unsigned message;
};
constexpr EventNotice kNotices[] = {
    {LINK_EV_CTS, WM_LINK_CTS},   {LINK_EV_BREAK, WM_LINK_BREAK},   {LINK_EV_ERR, WM_LINK_ERROR},
    {LINK_EV_RING, WM_LINK_RING}, {LINK_EV_RXFLAG, WM_LINK_RXFLAG},
};

bool debugLog() {
    const char *value = std::getenv("KORVEX_LINK_DEBUG");
    return value && *value && std::strcmp(value, "0") != 0;
}

const char *openResultText(SerialDevice::OpenResult result) {
    switch (result) {
    case SerialDevice::OpenResult::Opened:
        return "opened";
    case SerialDevice::OpenResult::Missing:
        return "no such device";
    case SerialDevice::OpenResult::NotATerminal:
        return "not a terminal";
    case SerialDevice::OpenResult::InUse:
        return "in use";
    case SerialDevice::OpenResult::NotAPort:
        return "no UART behind it";
    case SerialDevice::OpenResult::PermissionDenied:
        return "permission denied";
    case SerialDevice::OpenResult::Failed:
        break;
    }
    return "cannot be opened";
}

const char *stepName(SerialDevice::Step step) {
    switch (step) {
    case SerialDevice::Step::ReadState:
        return "GetCommState()";
    case SerialDevice::Step::BuildState:
        return "BuildCommDCB()";
    case SerialDevice::Step::WriteState:
        break;
    }
    return "SetCommState()";
}

} // namespace

CComLink::CComLink() = default;

CComLink::~CComLink() {
    stopWorker();
    std::lock_guard<std::mutex> guard(m_portLock);
    m_device.close();
    m_writeBuffer.reset();
}

bool CComLink::onWorkerThread() const {
    return m_worker.joinable() && std::this_thread::get_id() == m_worker.get_id();
}

void CComLink::stopWorker() {
    if (!m_worker.joinable())
        return;
    m_device.signalShutdown();
    if (onWorkerThread())
        return; // the worker ends once the notification it is in returns
    std::unique_lock<std::mutex> lock(m_stopLock);
    while (m_workerAlive.load() != 0) {
        // The worker may be blocked handing bytes to the owner, whose thread this is: let the owner
        // run (or give up) what is pending, then look again.
        lock.unlock();
        if (m_owner)
            m_owner->pumpPending();
        lock.lock();
        m_workerStopped.wait_for(lock, std::chrono::milliseconds(1),
                                 [this] { return m_workerAlive.load() == 0; });
    }
    lock.unlock();
    m_worker.join();
}

bool CComLink::Open(ILinkOwner *owner, unsigned portNumber, unsigned baud, char parity, unsigned dataBits,
                    unsigned stopBits, uint32_t eventMask, uint32_t writeBufferSize) {
    stopWorker();
    if (onWorkerThread())
        return false;
    std::unique_lock<std::mutex> lock(m_portLock);
    m_owner = owner;
    m_writeBuffer.reset();
    m_writeBuffer.reset(new (std::nothrow) uint8_t[std::max<uint32_t>(writeBufferSize, 1)]);
    m_portNumber = portNumber;
    m_writeBufferSize = m_writeBuffer ? writeBufferSize : 0;
    m_eventMask = eventMask;
    m_pending.clear();
    m_pendingBytes = 0;
    m_writing = false;
    m_writeOffset = 0;
    m_lineDown.store(false);
    m_device.close();

    const std::string path = serial::resolvePortPath(portNumber);
    const SerialDevice::OpenResult opened = m_device.open(path);
    m_lastOpen = opened;
    m_lastOpenError = m_device.openError();
    if (opened != SerialDevice::OpenResult::Opened) {
        if (debugLog())
            std::fprintf(stderr, "korvex link COM%u: %s: %s\n", portNumber, path.c_str(),
                         openResultText(opened));
        return false;
    }
    // The worker's signals are made by the first Open that opens a port and reused after.
    if (!m_device.createSignals()) {
        m_device.close();
        if (debugLog())
            std::fprintf(stderr, "korvex link COM%u: cannot create the worker's signals\n", portNumber);
        return false;
    }
    m_device.resetSignals();

    // Configuration stops at the first failing step; the port stays open either way.
    SerialDevice::Step failedStep = SerialDevice::Step::WriteState;
    if (!m_device.useNonBlockingIo()) {
        ReportError("SetCommTimeouts()");
    } else if ((eventMask & ~kKnownEvents) != 0) {
        errno = EINVAL;
        ReportError("SetCommMask()");
    } else if (!m_device.applyLineSettings({baud, parity, dataBits, stopBits}, &failedStep)) {
        ReportError(stepName(failedStep));
    } else {
        m_device.raiseModemLines();
    }
    m_device.purge();
    return true;
}

bool CComLink::StartWorker() {
    if (m_worker.joinable()) {
        if (m_workerAlive.load() != 0 || onWorkerThread())
            return false;
        m_worker.join(); // a worker that ended after a Close from inside a notification
    }
    if (!isOpen())
        return false;
    m_workerAlive.store(1);
    try {
        m_worker = std::thread(&CComLink::workerMain, this);
    } catch (const std::system_error &) {
        m_workerAlive.store(0);
        return false;
    }
    return true;
}

bool CComLink::Send(const uint8_t *data, uint32_t size) {
    std::unique_lock<std::mutex> lock(m_portLock);
    if (!m_device.isOpen() || !m_writeBuffer || m_lineDown.load())
        return false;
    if (size == 0)
        return true;
    if (!data)
        return false;
    const std::size_t queueLimit = kQueueBuffers * static_cast<std::size_t>(m_writeBufferSize);
    if (size > m_writeBufferSize || m_pendingBytes + size > queueLimit) {
        lock.unlock();
        errno = size > m_writeBufferSize ? EMSGSIZE : ENOBUFS;
        ReportError("Send()");
        return false;
    }
    // With nothing queued or being written, the request goes to the port at once on this thread: the
    // worker is woken only for what the port does not take now.
    if (!m_writing && m_pending.empty() && m_workerAlive.load() != 0 && !m_device.shutdownSignalled()) {
        const SerialDevice::Io io = m_device.write(data, size);
        if (io.status == SerialDevice::Io::Ok && io.count == size)
            return true;
        // The rest becomes the request being written, as if the worker had started it; a failure is
        // met again and reported by the worker.
        std::copy(data, data + size, m_writeBuffer.get());
        m_writeLength = size;
        m_writeOffset = io.status == SerialDevice::Io::Ok ? static_cast<uint32_t>(io.count) : 0;
        m_writing = true;
    } else {
        m_pending.emplace_back(data, data + size);
        m_pendingBytes += size;
    }
    lock.unlock();
    return m_device.signalWrite();
}

void CComLink::Close() {
    stopWorker();
    if (onWorkerThread())
        return;
    std::lock_guard<std::mutex> guard(m_portLock);
    m_writeBuffer.reset();
    m_pending.clear();
    m_pendingBytes = 0;
    m_writing = false;
    m_device.close();
}

void CComLink::ReportError(const char *operation) {
    const int error = errno;
    m_errorFlag.store(1);
    m_errorReports.fetch_add(1);
    if (debugLog())
        std::fprintf(stderr, "korvex link COM%u: %s failed: %s\n", m_portNumber, operation ? operation : "?",
                     std::generic_category().message(error).c_str());
}

bool CComLink::isOpen() const {
    std::lock_guard<std::mutex> guard(m_portLock);
    return m_device.isOpen();
}

void CComLink::workerMain() {
    m_workerAlive.store(1);
    uint8_t chunk[kReadChunk];
    const bool wantRead = (m_eventMask & LINK_EV_RXCHAR) != 0;
    bool waitingForRoom = false;
    bool waitFailed = false;
    for (;;) {
        const bool watchPort = !m_lineDown.load();
        const SerialDevice::Wake wake = m_device.wait(watchPort, wantRead, waitingForRoom && watchPort);
        m_wakeups.fetch_add(1);
        if (wake.failed) {
            // Report once; back off so that a wait that keeps failing does not spin.
            if (!waitFailed)
                ReportError("WaitCommEvent()");
            waitFailed = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        waitFailed = false;
        if (wake.shutdown)
            break;
        // Writes first: a queued command should not wait behind a long receive.
        if (wake.writeRequest)
            m_device.takeWriteSignal();
        if (wake.writeRequest || (waitingForRoom && (wake.writable || wake.hangUp)))
            waitingForRoom = !serveWrites();
        if (!watchPort || m_lineDown.load())
            continue;
        if (wantRead && (wake.readable || wake.hangUp)) {
            if (!drainInput(chunk, sizeof chunk, wake.hangUp))
                break;
        } else if (wake.hangUp) {
            lineDown("WaitCommEvent()");
        }
    }
    {
        std::lock_guard<std::mutex> guard(m_portLock);
        m_device.close();
    }
    std::lock_guard<std::mutex> guard(m_stopLock);
    m_workerAlive.store(0);
    m_workerStopped.notify_all();
}

bool CComLink::serveWrites() {
    std::unique_lock<std::mutex> lock(m_portLock);
    for (;;) {
        if (m_lineDown.load()) {
            dropPendingWrites();
            return true;
        }
        if (!m_writing) {
            if (m_pending.empty())
                return true;
            const std::vector<uint8_t> &next = m_pending.front();
            std::copy(next.begin(), next.end(), m_writeBuffer.get());
            m_writeLength = static_cast<uint32_t>(next.size());
            m_writeOffset = 0;
            m_pendingBytes -= next.size();
            m_pending.pop_front();
            m_writing = true;
        }
        const SerialDevice::Io io =
            m_device.write(m_writeBuffer.get() + m_writeOffset, m_writeLength - m_writeOffset);
        switch (io.status) {
        case SerialDevice::Io::Ok:
            m_writeOffset += static_cast<uint32_t>(io.count);
            if (m_writeOffset >= m_writeLength)
                m_writing = false;
            break;
        case SerialDevice::Io::WouldBlock:
            return false;
        case SerialDevice::Io::HangUp:
            lock.unlock();
            errno = io.error;
            lineDown("WriteFile()");
            lock.lock();
            break;
        case SerialDevice::Io::Failed:
            // This request is abandoned; the next one still gets its turn.
            m_writing = false;
            lock.unlock();
            errno = io.error;
            ReportError("WriteFile()");
            lock.lock();
            break;
        }
    }
}

bool CComLink::drainInput(uint8_t *chunk, std::size_t capacity, bool hangUpSeen) {
    bool handedOver = false;
    for (;;) {
        if (m_device.shutdownSignalled())
            return false;
        SerialDevice::Io io;
        {
            std::lock_guard<std::mutex> guard(m_portLock);
            io = m_device.read(chunk, capacity);
        }
        if (io.status == SerialDevice::Io::Ok) {
            // Never under the port lock: the owner may take its time, or call Send.
            if (m_owner)
                m_owner->onLinkBytes(chunk, io.count);
            handedOver = true;
            if (io.count < capacity)
                break; // drained; the next wake-up tells when more arrives
            continue;
        }
        if (io.status == SerialDevice::Io::WouldBlock) {
            if (hangUpSeen && !handedOver)
                lineDown("WaitCommEvent()"); // hung up with nothing left to read
            break;
        }
        // Hang-up or a read that fails: it would fail again on every wake-up, so stop reading.
        errno = io.error;
        lineDown("ReadFile()");
        break;
    }
    if (handedOver && !m_device.shutdownSignalled())
        sendEvents();
    return true;
}

void CComLink::sendEvents() {
    if (!m_owner)
        return;
    for (const EventNotice &notice : kNotices) {
        if (m_eventMask & notice.bit)
            m_owner->onLinkEvent(notice.message);
    }
}

void CComLink::lineDown(const char *operation) {
    if (m_lineDown.exchange(true))
        return;
    ReportError(operation);
    {
        std::lock_guard<std::mutex> guard(m_portLock);
        dropPendingWrites();
    }
    // Without this a console would never learn of an unplugged device that sends nothing more.
    if (m_owner && !m_device.shutdownSignalled())
        m_owner->onLinkDown();
}

void CComLink::dropPendingWrites() {
    m_pending.clear();
    m_pendingBytes = 0;
    m_writing = false;
}

} // namespace serial
