#include "serial/SerialDevice.h"

#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00 // CancelIoEx
#endif
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace serial {

// The worker learns of received bytes from an overlapped ReadFile kept pending (with time-outs that
// end it at the first pause after a byte), not from WaitCommEvent(EV_RXCHAR) and a ReadFile after
// it: the bytes are in hand when the worker wakes, a hang-up ends the read with an error, and it also
// works where the comm-event wait does not (Wine ends that wait at once on a pseudo-terminal, whose
// modem lines it cannot read).
//
// The read and the write in flight share nothing: each has its own OVERLAPPED, event and buffer.
// Whatever is in flight is ended (cancelled and waited for) before the port is closed, so the
// system never writes into these after the port is gone.
struct SerialDevice::Overlapped {
    Overlapped() {
        read.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        write.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~Overlapped() {
        if (read.hEvent)
            ::CloseHandle(read.hEvent);
        if (write.hEvent)
            ::CloseHandle(write.hEvent);
    }
    Overlapped(const Overlapped &) = delete;
    Overlapped &operator=(const Overlapped &) = delete;
    bool valid() const { return read.hEvent && write.hEvent; }
    void forgetRead() {
        readPending = readDone = false;
        readError = 0;
        readCount = readOffset = 0;
    }
    // Takes the outcome of the read in flight once it has ended; false while it runs.
    bool collectRead(HANDLE port) {
        DWORD got = 0;
        if (::GetOverlappedResult(port, &read, &got, FALSE)) {
            readError = 0;
        } else {
            const DWORD error = ::GetLastError();
            if (error == ERROR_IO_INCOMPLETE)
                return false;
            readError = error;
            got = 0;
        }
        readCount = got;
        readOffset = 0;
        readPending = false;
        readDone = true;
        return true;
    }

    OVERLAPPED read{};
    bool readPending = false;   // a ReadFile is in flight
    bool readDone = false;      // it ended; what it brought (or its failure) waits for read()
    DWORD readError = 0;        // why it failed; 0 when it brought bytes
    std::size_t readCount = 0;  // bytes it brought
    std::size_t readOffset = 0; // of them, already handed over
    std::uint8_t readBuffer[4096];

    OVERLAPPED write{};
    bool writePending = false;
    std::vector<std::uint8_t> writeBuffer; // the bytes of the write in flight
};

namespace {

bool isSignalled(HANDLE event) {
    return event && ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

// Errors after which the port is gone (adapter unplugged, peer closed): the line is down. Anything
// else is one failed operation.
bool meansHangUp(DWORD error) {
    switch (error) {
    case ERROR_BROKEN_PIPE:
    case ERROR_NOT_READY:
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_HANDLE:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_OPERATION_ABORTED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
    case ERROR_FILE_NOT_FOUND:
        return true;
    default:
        return false;
    }
}

bool frameSettings(const SerialDevice::LineSettings &settings, DCB *dcb) {
    if (settings.baud == 0 || settings.dataBits < 5 || settings.dataBits > 8)
        return false;
    switch (std::toupper(static_cast<unsigned char>(settings.parity))) {
    case 'N':
        dcb->Parity = NOPARITY;
        break;
    case 'E':
        dcb->Parity = EVENPARITY;
        break;
    case 'O':
        dcb->Parity = ODDPARITY;
        break;
    case 'M':
        dcb->Parity = MARKPARITY;
        break;
    case 'S':
        dcb->Parity = SPACEPARITY;
        break;
    default:
        return false;
    }
    switch (settings.stopBits) {
    case 1:
        dcb->StopBits = ONESTOPBIT;
        break;
    case 2:
        dcb->StopBits = TWOSTOPBITS;
        break;
    default:
        return false;
    }
    dcb->BaudRate = settings.baud;
    dcb->ByteSize = static_cast<BYTE>(settings.dataBits);
    return true;
}

} // namespace

SerialDevice::SerialDevice() = default;

SerialDevice::~SerialDevice() {
    close();
    if (m_shutdownEvent)
        ::CloseHandle(m_shutdownEvent);
    if (m_writeEvent)
        ::CloseHandle(m_writeEvent);
}

bool SerialDevice::createSignals() {
    if (!m_shutdownEvent)
        m_shutdownEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!m_writeEvent)
        m_writeEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return m_shutdownEvent && m_writeEvent;
}

void SerialDevice::resetSignals() {
    if (m_shutdownEvent)
        ::ResetEvent(m_shutdownEvent);
    if (m_writeEvent)
        ::ResetEvent(m_writeEvent);
}

bool SerialDevice::signalShutdown() {
    return m_shutdownEvent && ::SetEvent(m_shutdownEvent);
}

bool SerialDevice::signalWrite() {
    return m_writeEvent && ::SetEvent(m_writeEvent);
}

void SerialDevice::takeWriteSignal() {
    if (m_writeEvent)
        ::ResetEvent(m_writeEvent);
}

bool SerialDevice::shutdownSignalled() const {
    return isSignalled(m_shutdownEvent);
}

bool SerialDevice::isOpen() const {
    return m_port != nullptr;
}

SerialDevice::OpenResult SerialDevice::open(const std::string &path) {
    close();
    if (path.empty())
        return OpenResult::Missing;
    if (!m_io) {
        m_io = std::make_unique<Overlapped>();
        if (!m_io->valid()) {
            m_io.reset();
            return OpenResult::Failed;
        }
    }
    // Not shared: a second open, here or in another program, is refused while this one lasts.
    const HANDLE port = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        switch (::GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
            return OpenResult::Missing;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            return OpenResult::InUse;
        default:
            return OpenResult::Failed;
        }
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(port, &dcb)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(port);
        ::SetLastError(error);
        return OpenResult::NotATerminal;
    }
    m_port = port;
    m_io->forgetRead();
    m_io->writePending = false;
    return OpenResult::Opened;
}

void SerialDevice::finishPendingIo() {
    if (!m_port || !m_io || (!m_io->readPending && !m_io->writePending))
        return;
    ::CancelIoEx(m_port, nullptr);
    DWORD moved = 0;
    if (m_io->readPending)
        ::GetOverlappedResult(m_port, &m_io->read, &moved, TRUE);
    if (m_io->writePending)
        ::GetOverlappedResult(m_port, &m_io->write, &moved, TRUE);
    m_io->readPending = false;
    m_io->writePending = false;
}

void SerialDevice::close() {
    if (!m_port)
        return;
    finishPendingIo();
    ::CloseHandle(m_port);
    m_port = nullptr;
    m_io->forgetRead();
}

bool SerialDevice::useNonBlockingIo() {
    // A read waits for its first byte without limit and returns at the first pause after it (the
    // shortest interval the driver can measure); writes have no time limit. Both are overlapped, so
    // neither blocks the worker: it waits for them in wait(), beside the two signals.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 1;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 0;
    return ::SetCommTimeouts(m_port, &timeouts) != 0;
}

bool SerialDevice::applyLineSettings(const LineSettings &settings, Step *failed) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(m_port, &dcb)) {
        *failed = Step::ReadState;
        return false;
    }
    if (!frameSettings(settings, &dcb)) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        *failed = Step::BuildState;
        return false;
    }
    // Raw bytes both ways: no flow control, no character replacement, errors do not stop the port.
    dcb.fBinary = TRUE;
    dcb.fParity = dcb.Parity != NOPARITY;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    if (!::SetCommState(m_port, &dcb)) {
        *failed = Step::WriteState;
        return false;
    }
    // A driver may accept the call and keep a setting it cannot do: check that all of it was taken.
    DCB applied{};
    applied.DCBlength = sizeof applied;
    if (!::GetCommState(m_port, &applied) || applied.BaudRate != dcb.BaudRate ||
        applied.ByteSize != dcb.ByteSize || applied.Parity != dcb.Parity ||
        applied.StopBits != dcb.StopBits) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        *failed = Step::WriteState;
        return false;
    }
    return true;
}

void SerialDevice::raiseModemLines() {
    ::EscapeCommFunction(m_port, SETRTS);
    ::EscapeCommFunction(m_port, SETDTR);
}

void SerialDevice::purge() {
    finishPendingIo();
    ::PurgeComm(m_port, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
    m_io->forgetRead();
}

void SerialDevice::armRead() {
    Overlapped &io = *m_io;
    io.read.Offset = io.read.OffsetHigh = 0;
    DWORD got = 0;
    if (::ReadFile(m_port, io.readBuffer, sizeof io.readBuffer, &got, &io.read)) {
        io.readDone = true;
        io.readCount = got;
        io.readOffset = 0;
        io.readError = 0;
        return;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_IO_PENDING) {
        io.readPending = true;
        return;
    }
    io.readDone = true;
    io.readCount = io.readOffset = 0;
    io.readError = error;
}

SerialDevice::Io SerialDevice::read(std::uint8_t *buffer, std::size_t capacity) {
    Io result;
    Overlapped &io = *m_io;
    if (!io.readPending && !io.readDone)
        armRead();
    if (io.readPending && !io.collectRead(m_port)) {
        result.status = Io::WouldBlock;
        return result;
    }
    if (io.readError != 0) {
        // Kept: the port stays failed until it is closed, as a hung-up terminal does.
        result.status = meansHangUp(io.readError) ? Io::HangUp : Io::Failed;
        result.error = static_cast<int>(io.readError);
        return result;
    }
    const std::size_t count = std::min(capacity, io.readCount - io.readOffset);
    if (count == 0) {
        io.forgetRead();
        result.status = Io::WouldBlock;
        return result;
    }
    std::copy_n(io.readBuffer + io.readOffset, count, buffer);
    io.readOffset += count;
    if (io.readOffset == io.readCount)
        io.forgetRead();
    result.count = count;
    return result;
}

SerialDevice::Io SerialDevice::write(const std::uint8_t *data, std::size_t size) {
    Io result;
    Overlapped &io = *m_io;
    DWORD written = 0;
    bool done = false;
    if (io.writePending) {
        done = ::GetOverlappedResult(m_port, &io.write, &written, FALSE) != 0;
        if (!done && ::GetLastError() == ERROR_IO_INCOMPLETE) {
            result.status = Io::WouldBlock;
            return result;
        }
        io.writePending = false;
    } else {
        if (size == 0)
            return result;
        io.writeBuffer.assign(data, data + size);
        io.write.Offset = io.write.OffsetHigh = 0;
        done = ::WriteFile(m_port, io.writeBuffer.data(), static_cast<DWORD>(size), &written, &io.write) != 0;
        if (!done && ::GetLastError() == ERROR_IO_PENDING) {
            io.writePending = true;
            result.status = Io::WouldBlock;
            return result;
        }
    }
    if (done && written > 0) {
        result.count = written;
        return result;
    }
    // A write that moved nothing would be offered again and again: it counts as failed.
    const DWORD error = done ? ERROR_WRITE_FAULT : ::GetLastError();
    result.status = meansHangUp(error) ? Io::HangUp : Io::Failed;
    result.error = static_cast<int>(error);
    return result;
}

SerialDevice::Wake SerialDevice::wait(bool watchPort, bool wantRead, bool wantWrite) {
    Wake wake;
    const bool port = watchPort && m_port;
    if (port && wantRead && !m_io->readPending && !m_io->readDone)
        armRead();
    // Fixed order, as on POSIX: shutdown first, so that it wins over everything else.
    HANDLE handles[4];
    DWORD count = 0;
    for (HANDLE signal : {m_shutdownEvent, m_writeEvent}) {
        if (signal)
            handles[count++] = signal;
    }
    if (port && wantRead && m_io->readPending)
        handles[count++] = m_io->read.hEvent;
    if (port && wantWrite && m_io->writePending)
        handles[count++] = m_io->write.hEvent;
    // Something that is ready already is reported without waiting.
    const bool readyNow = port && ((wantRead && m_io->readDone) || (wantWrite && !m_io->writePending));
    const DWORD waited =
        count == 0 ? WAIT_TIMEOUT : ::WaitForMultipleObjects(count, handles, FALSE, readyNow ? 0 : INFINITE);
    if (waited == WAIT_FAILED) {
        wake.failed = true;
        wake.error = static_cast<int>(::GetLastError());
        return wake;
    }
    wake.shutdown = isSignalled(m_shutdownEvent);
    wake.writeRequest = isSignalled(m_writeEvent);
    if (port && wantRead) {
        if (m_io->readPending)
            m_io->collectRead(m_port);
        if (m_io->readDone) {
            if (m_io->readError != 0) {
                wake.hangUp = true;
                wake.error = static_cast<int>(m_io->readError);
            } else {
                wake.readable = true;
            }
        }
    }
    if (port && wantWrite)
        wake.writable = !m_io->writePending || isSignalled(m_io->write.hEvent);
    return wake;
}

} // namespace serial
