#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "serial/SerialDevice.h"

namespace serial {

// Receives what a CComLink's worker reads, on the worker's thread. The serial transport implements it
// and hands everything on to its owner's thread.
class ILinkOwner {
public:
    virtual ~ILinkOwner() = default;
    // Everything one read returned, in order. Must not return before the bytes are handled: the worker
    // reads nothing more until it does. The bytes are valid only during the call.
    virtual void onLinkBytes(const uint8_t *data, std::size_t size) = 0;
    // The other notifications (WM_LINK_BREAK, WM_LINK_CTS, WM_LINK_ERROR, WM_LINK_RING,
    // WM_LINK_RXFLAG) when enabled in the event mask. Default: ignore.
    virtual void onLinkEvent(unsigned message) { (void)message; }
    // The line went down (hang-up, the device removed, a read that fails): the error flag is set and
    // nothing more will be read. Told once per opening.
    virtual void onLinkDown() {}
    // Owner's thread, called by Close()/Open()/destructor repeatedly while they wait for the worker to
    // end: run the owner's pending calls (or give up on them) so a worker blocked in onLinkBytes can
    // finish.
    virtual void pumpPending() {}
};

inline constexpr unsigned WM_LINK_BREAK = 0x0401, WM_LINK_CTS = 0x0402, WM_LINK_ERROR = 0x0404,
                          WM_LINK_RING = 0x0405, WM_LINK_RXCHAR = 0x0407, WM_LINK_RXFLAG = 0x0408;

// Event mask bits for Open. The console passes LINK_EV_RXCHAR | LINK_EV_RXFLAG (3).
inline constexpr uint32_t LINK_EV_RXCHAR = 0x0001, LINK_EV_RXFLAG = 0x0002, LINK_EV_CTS = 0x0008,
                          LINK_EV_BREAK = 0x0040, LINK_EV_ERR = 0x0080, LINK_EV_RING = 0x0100;

// The console's one serial port: opens "COMn" (see serial/PortNaming.h), configures it raw, and runs a
// worker thread that writes queued requests and hands received bytes to the owner synchronously and
// in order. It knows nothing of the protocol. Failures on the line never surface as return values
// once the port is open: they set the error flag, which the owner polls and then closes the port.
//
// Threads: Open, StartWorker, Send, Close and destruction belong to the owner's thread; the worker
// calls the owner. Close, Open and the destructor must not be called from inside onLinkBytes or
// onLinkEvent on the worker thread (Close there only asks the worker to stop; the port is closed
// when the notification returns and the thread is joined by the next Close, Open or destructor).
//
// Writing: each Send is one request; requests are written whole and in order, one after the other,
// never changed while being written. While the worker serves the port and nothing is queued, Send
// writes the request itself (a click reaches the line without waiting for the worker to wake); what
// the port does not take at once is left to the worker. A request longer than the write buffer, or one that
// would make the queue hold more than 64 write buffers' worth (a line that does not drain), is refused whole
// and sets the error flag. Writing never discards unread input; the port is purged once, when it opens.
//
// Hang-up (device unplugged, peer of a pseudo-terminal closed) or a failing read: the error flag is
// set once, the owner is told by onLinkDown (so it learns of it even though nothing more arrives), and
// the worker stops watching the port (no spinning) but still serves Close.
class CComLink {
public:
    CComLink();
    virtual ~CComLink();
    CComLink(const CComLink &) = delete;
    CComLink &operator=(const CComLink &) = delete;

    // True: the port opened, even if a configuration step failed (then the error flag is set).
    // False: it did not open (missing, not a tty, in use, no UART behind it); nothing stays open.
    bool Open(ILinkOwner *owner, unsigned portNumber, unsigned baud, char parity, unsigned dataBits,
              unsigned stopBits, uint32_t eventMask, uint32_t writeBufferSize);
    // Starts the worker on an open port; false when the port is not open, a worker runs, or the
    // thread cannot be created.
    bool StartWorker();
    // Writes one request, or queues it and wakes the worker (see Writing above). False: refused
    // (closed, hung up, empty pointer, too long, queue full) or the worker could not be signalled.
    bool Send(const uint8_t *data, uint32_t size);
    // Stops the worker (pumping the owner meanwhile), drops unwritten requests, frees the write
    // buffer and closes the port. No effect on a link that is not open.
    void Close();
    // Records a failure: sets the error flag. With KORVEX_LINK_DEBUG set, also a line on stderr.
    void ReportError(const char *operation);
    int errorFlag() const { return m_errorFlag.load(); }
    void clearError() { m_errorFlag.store(0); }
    bool isOpen() const;
    bool workerAlive() const { return m_workerAlive.load() != 0; }
    unsigned portNumber() const { return m_portNumber; }
    // Why the last Open did or did not open the port, and errno when the reason is Failed.
    SerialDevice::OpenResult lastOpenResult() const { return m_lastOpen; }
    int lastOpenError() const { return m_lastOpenError; }

    // Diagnostics: failures reported since construction, and how often the worker woke up.
    unsigned errorReports() const { return m_errorReports.load(); }
    std::uint64_t workerWakeups() const { return m_wakeups.load(); }

private:
    void stopWorker();
    bool onWorkerThread() const;
    void workerMain();
    // Writes queued requests until done or the port has no room; false when waiting for room.
    bool serveWrites();
    // Reads and hands over everything available; false when shutdown was signalled meanwhile.
    bool drainInput(std::uint8_t *chunk, std::size_t capacity, bool hangUpSeen);
    void sendEvents();
    void lineDown(const char *operation);
    void dropPendingWrites();

    uint32_t m_writeLength = 1;      // bytes of the write buffer the current write sends
    SerialDevice m_device;           // port descriptor plus shutdown and write signals
    std::atomic<int> m_errorFlag{0}; // 0/1, never cleared by the class
    std::thread m_worker;
    mutable std::mutex m_portLock; // guards the port, the request queue and the buffer
    std::atomic<int> m_workerAlive{0};
    ILinkOwner *m_owner = nullptr;
    unsigned m_portNumber = 0;
    SerialDevice::OpenResult m_lastOpen = SerialDevice::OpenResult::Missing;
    int m_lastOpenError = 0;
    std::unique_ptr<uint8_t[]> m_writeBuffer; // the request being written
    uint32_t m_eventMask = 0;
    uint32_t m_writeBufferSize = 0;

    std::deque<std::vector<uint8_t>> m_pending; // requests waiting their turn
    std::size_t m_pendingBytes = 0;
    uint32_t m_writeOffset = 0; // bytes of the current request already written
    bool m_writing = false;     // a request is in the write buffer
    std::atomic<bool> m_lineDown{false};
    std::atomic<unsigned> m_errorReports{0};
    std::atomic<std::uint64_t> m_wakeups{0};
    std::mutex m_stopLock;
    std::condition_variable m_workerStopped;
};

} // namespace serial
