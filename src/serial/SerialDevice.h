#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace serial {

// The operating-system side of one serial link: the port, the two wake-up signals the link's worker
// waits on beside it (shutdown and write request), line settings, and raw non-blocking reads and
// writes. One file per system implements it, and every OS call of the console's serial layer lives
// there: termios, ioctl, poll and eventfd in SerialDevicePosix.cpp; CreateFile, the comm state and
// time-outs, overlapped ReadFile/WriteFile and events in SerialDeviceWin32.cpp.
//
// On Windows the same readiness model sits on overlapped I/O: wait() keeps one overlapped read pending
// and reports the port readable when it completed (read() then hands over what it brought); a write
// that does not complete at once stays in flight, write() reports WouldBlock until it is done, and
// wait(..., wantWrite) wakes when it is. The caller offers the same bytes again after WouldBlock.
//
// Not thread-safe by itself: CComLink guards the port with its port lock. The signals may be raised
// from any thread.
class SerialDevice {
public:
    // Why open() did not give a usable port.
    enum class OpenResult {
        Opened,
        Missing,          // no such file
        NotATerminal,     // exists but is not a tty
        InUse,            // another open holds the exclusive lock (Windows: access denied, sharing violation)
        NotAPort,         // a legacy /dev/ttyS* entry without a UART behind it (POSIX only)
        PermissionDenied, // this user may not open it (not in the dialout group)
        Failed,           // any other failure
    };

    // The configuration step that failed in applyLineSettings().
    enum class Step {
        ReadState,  // reading the current settings
        BuildState, // the requested baud, parity, data or stop bits are not supported
        WriteState, // applying them, or the driver did not take them
    };

    struct LineSettings {
        unsigned baud = 57600;
        char parity = 'N'; // N, E, O, M (mark), S (space); either case
        unsigned dataBits = 8;
        unsigned stopBits = 1;
    };

    // Outcome of one read() or write().
    struct Io {
        enum Status { Ok, WouldBlock, HangUp, Failed } status = Ok;
        std::size_t count = 0; // bytes moved when Ok
        int error = 0;         // errno (Windows: GetLastError()) when Failed or HangUp
    };

    // What ended one wait().
    struct Wake {
        bool shutdown = false;
        bool writeRequest = false;
        bool readable = false;
        bool writable = false;
        bool hangUp = false; // the port reported a hang-up or an error condition
        bool failed = false; // the wait itself failed (errno, Windows: GetLastError(), in error)
        int error = 0;
    };

    SerialDevice();
    ~SerialDevice();
    SerialDevice(const SerialDevice &) = delete;
    SerialDevice &operator=(const SerialDevice &) = delete;

    // The two signals are created once and reused by later opens; resetSignals() clears both.
    bool createSignals();
    void resetSignals();
    bool signalShutdown();
    bool signalWrite();
    void takeWriteSignal();         // clears the write signal
    bool shutdownSignalled() const; // tests without waiting

    // POSIX: opens the path read/write, non-blocking, never as controlling terminal, close-on-exec,
    // and keeps it only when it is a tty that can be locked exclusively (TIOCEXCL and flock) and, for
    // /dev/ttyS*, has a UART behind it.
    // Windows: opens the device name ("\\.\COM7") for overlapped I/O, not shared, existing only,
    // and keeps it only when it is a communications device (its comm state can be read).
    // On any failure nothing stays open.
    OpenResult open(const std::string &path);
    // errno of the last open() that failed with Failed (0 otherwise).
    int openError() const { return m_openError; }
#ifndef _WIN32
    // The system's open call, replaceable by tests that need a failure this machine cannot produce
    // (root opens files without read permission). nullptr restores the real one.
    using OpenCall = int (*)(const char *path, int flags);
    static void setOpenCall(OpenCall call);
#endif
    bool isOpen() const;
    // Ends any read or write in flight and closes the port.
    void close();

    // Reads and writes never block; waiting is done by wait(). Failure leaves errno set (Windows: the
    // last error). Windows: the comm time-outs of an overlapped read that waits for the first byte
    // and returns at the first pause after it, and of writes without a time limit.
    bool useNonBlockingIo();
    // Raw mode with the given line settings, receiver on, modem lines and flow control ignored.
    bool applyLineSettings(const LineSettings &settings, Step *failed);
    // Raises RTS and DTR where the driver has modem lines; a pseudo-terminal has none, not an error.
    void raiseModemLines();
    // Discards unread input and unsent output.
    void purge();

    Io read(std::uint8_t *buffer, std::size_t capacity);
    Io write(const std::uint8_t *data, std::size_t size);

    // Blocks until a signal is raised or, when watchPort, the port is readable (wantRead), writable
    // (wantWrite) or reports a hang-up. With watchPort false only the signals count.
    Wake wait(bool watchPort, bool wantRead, bool wantWrite);

private:
    int m_openError = 0;
#ifdef _WIN32
    struct Overlapped; // the overlapped read and write and their buffers (SerialDeviceWin32.cpp)
    void finishPendingIo();
    void armRead();
    void *m_port = nullptr; // HANDLE; null when closed
    void *m_shutdownEvent = nullptr;
    void *m_writeEvent = nullptr;
    std::unique_ptr<Overlapped> m_io;
#else
    int m_fd = -1;
    // Both signals share one eventfd that wakes the wait; the flags say which were raised, so that
    // testing for shutdown costs no system call and the wait watches two descriptors, not three.
    int m_signalFd = -1;
    std::atomic<bool> m_shutdown{false};
    std::atomic<bool> m_writeRequested{false};
#endif
};

} // namespace serial
