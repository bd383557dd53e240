#include "serial/SerialDevice.h"

#include <atomic>

#include <cctype>
#include <cerrno>
#include <filesystem>

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace serial {

namespace {

struct BaudEntry {
    unsigned baud;
    speed_t speed;
};

constexpr BaudEntry kBaudRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

bool speedFor(unsigned baud, speed_t *speed) {
    for (const BaudEntry &entry : kBaudRates) {
        if (entry.baud == baud) {
            *speed = entry.speed;
            return true;
        }
    }
    return false;
}

// The character-size, parity and stop-bit part of c_cflag for the settings; false when unsupported.
bool frameBits(const SerialDevice::LineSettings &settings, tcflag_t *bits) {
    tcflag_t result = 0;
    switch (settings.dataBits) {
    case 5:
        result |= CS5;
        break;
    case 6:
        result |= CS6;
        break;
    case 7:
        result |= CS7;
        break;
    case 8:
        result |= CS8;
        break;
    default:
        return false;
    }
    switch (std::toupper(static_cast<unsigned char>(settings.parity))) {
    case 'N':
        break;
    case 'E':
        result |= PARENB;
        break;
    case 'O':
        result |= PARENB | PARODD;
        break;
    case 'M':
        result |= PARENB | CMSPAR | PARODD;
        break;
    case 'S':
        result |= PARENB | CMSPAR;
        break;
    default:
        return false;
    }
    switch (settings.stopBits) {
    case 1:
        break;
    case 2:
        result |= CSTOPB;
        break;
    default:
        return false;
    }
    *bits = result;
    return true;
}

constexpr tcflag_t kFrameMask = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;

void closeQuietly(int fd) {
    if (fd >= 0)
        ::close(fd);
}

bool raiseEvent(int eventFd) {
    const uint64_t one = 1;
    for (;;) {
        if (::write(eventFd, &one, sizeof one) == static_cast<ssize_t>(sizeof one))
            return true;
        if (errno == EINTR)
            continue;
        // EAGAIN means the counter is at its limit: it is signalled already.
        return errno == EAGAIN;
    }
}

void lowerEvent(int eventFd) {
    uint64_t count = 0;
    while (::read(eventFd, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

bool isLegacyUartPath(const std::string &path) {
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(path, ec);
    return !ec && real.string().rfind("/dev/ttyS", 0) == 0;
}

} // namespace

SerialDevice::SerialDevice() = default;

SerialDevice::~SerialDevice() {
    close();
    closeQuietly(m_signalFd);
}

bool SerialDevice::createSignals() {
    if (m_signalFd < 0)
        m_signalFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return m_signalFd >= 0;
}

void SerialDevice::resetSignals() {
    m_shutdown.store(false);
    m_writeRequested.store(false);
    if (m_signalFd >= 0)
        lowerEvent(m_signalFd);
}

// The flag is set before the eventfd is raised: a wait woken by the eventfd sees it.
bool SerialDevice::signalShutdown() {
    if (m_signalFd < 0)
        return false;
    m_shutdown.store(true);
    return raiseEvent(m_signalFd);
}

bool SerialDevice::signalWrite() {
    if (m_signalFd < 0)
        return false;
    m_writeRequested.store(true);
    return raiseEvent(m_signalFd);
}

void SerialDevice::takeWriteSignal() {
    m_writeRequested.store(false);
}

bool SerialDevice::shutdownSignalled() const {
    return m_shutdown.load();
}

namespace {

int systemOpen(const char *path, int flags) {
    return ::open(path, flags);
}

std::atomic<SerialDevice::OpenCall> g_openCall{&systemOpen};

} // namespace

void SerialDevice::setOpenCall(OpenCall call) {
    g_openCall.store(call ? call : &systemOpen);
}

bool SerialDevice::isOpen() const {
    return m_fd >= 0;
}

SerialDevice::OpenResult SerialDevice::open(const std::string &path) {
    close();
    m_openError = 0;
    if (path.empty())
        return OpenResult::Missing;
    const int fd = g_openCall.load()(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR || errno == ENXIO || errno == ENODEV)
            return OpenResult::Missing;
        if (errno == EACCES || errno == EPERM)
            return OpenResult::PermissionDenied;
        m_openError = errno;
        return errno == EBUSY ? OpenResult::InUse : OpenResult::Failed;
    }
    if (!::isatty(fd)) {
        ::close(fd);
        return OpenResult::NotATerminal;
    }
    // flock() makes a second open fail even for root, whom TIOCEXCL does not stop.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        return busy ? OpenResult::InUse : OpenResult::Failed;
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        ::close(fd);
        return OpenResult::Failed;
    }
    // Legacy ISA port entries exist whether or not a UART answers; only a known type is a port.
    if (isLegacyUartPath(path)) {
        serial_struct info{};
        if (::ioctl(fd, TIOCGSERIAL, &info) != 0 || info.type == PORT_UNKNOWN) {
            ::ioctl(fd, TIOCNXCL);
            ::close(fd);
            return OpenResult::NotAPort;
        }
    }
    m_fd = fd;
    return OpenResult::Opened;
}

void SerialDevice::close() {
    if (m_fd < 0)
        return;
    // The exclusive mode belongs to the tty, not to this descriptor: give it back so that another
    // holder of the same terminal (or our next open) is not refused.
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
}

bool SerialDevice::useNonBlockingIo() {
    const int flags = ::fcntl(m_fd, F_GETFL);
    return flags >= 0 && ::fcntl(m_fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool SerialDevice::applyLineSettings(const LineSettings &settings, Step *failed) {
    termios tio{};
    if (::tcgetattr(m_fd, &tio) != 0) {
        *failed = Step::ReadState;
        return false;
    }
    speed_t speed = B0;
    tcflag_t frame = 0;
    if (!speedFor(settings.baud, &speed) || !frameBits(settings, &frame)) {
        errno = EINVAL;
        *failed = Step::BuildState;
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    tio.c_cflag &= ~(kFrameMask | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD | frame;
    // VMIN 1: a non-blocking read with nothing to read fails with EAGAIN; with VMIN 0 it would
    // return 0, which cannot be told apart from a hang-up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) {
        *failed = Step::BuildState;
        return false;
    }
    if (::tcsetattr(m_fd, TCSANOW, &tio) != 0) {
        *failed = Step::WriteState;
        return false;
    }
    // tcsetattr() succeeds when any part of the change was taken; check that all of it was.
    termios applied{};
    if (::tcgetattr(m_fd, &applied) != 0 || (applied.c_cflag & kFrameMask) != frame ||
        ::cfgetispeed(&applied) != speed || ::cfgetospeed(&applied) != speed ||
        (applied.c_lflag & (ICANON | ECHO)) != 0) {
        errno = EINVAL;
        *failed = Step::WriteState;
        return false;
    }
    return true;
}

void SerialDevice::raiseModemLines() {
    int lines = TIOCM_RTS | TIOCM_DTR;
    ::ioctl(m_fd, TIOCMBIS, &lines);
}

void SerialDevice::purge() {
    ::tcflush(m_fd, TCIOFLUSH);
}

SerialDevice::Io SerialDevice::read(std::uint8_t *buffer, std::size_t capacity) {
    Io io;
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, capacity);
        if (n > 0) {
            io.count = static_cast<std::size_t>(n);
            return io;
        }
        if (n == 0) {
            // A tty in raw mode with VMIN 1 reads 0 only once it has been hung up.
            io.status = Io::HangUp;
            return io;
        }
        if (errno == EINTR)
            continue;
        io.error = errno;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            io.status = Io::WouldBlock;
        else if (errno == EIO)
            io.status = Io::HangUp;
        else
            io.status = Io::Failed;
        return io;
    }
}

SerialDevice::Io SerialDevice::write(const std::uint8_t *data, std::size_t size) {
    Io io;
    for (;;) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n > 0 || (n == 0 && size == 0)) {
            io.count = static_cast<std::size_t>(n);
            return io;
        }
        if (n < 0 && errno == EINTR)
            continue;
        io.error = n < 0 ? errno : EIO;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            io.status = Io::WouldBlock;
        else if (io.error == EIO)
            io.status = Io::HangUp;
        else
            io.status = Io::Failed;
        return io;
    }
}

SerialDevice::Wake SerialDevice::wait(bool watchPort, bool wantRead, bool wantWrite) {
    pollfd fds[2] = {
        {m_signalFd, POLLIN, 0},
        {watchPort ? m_fd : -1, static_cast<short>((wantRead ? POLLIN : 0) | (wantWrite ? POLLOUT : 0)), 0},
    };
    Wake wake;
    const int ready = ::poll(fds, 2, -1);
    if (ready < 0) {
        if (errno != EINTR) {
            wake.failed = true;
            wake.error = errno;
        }
        return wake;
    }
    // The eventfd is lowered before the flags are read: a signal raised after this is seen by the
    // next wait at the latest.
    if (fds[0].revents & POLLIN)
        lowerEvent(m_signalFd);
    wake.shutdown = m_shutdown.load();
    wake.writeRequest = m_writeRequested.load();
    wake.readable = (fds[1].revents & POLLIN) != 0;
    wake.writable = (fds[1].revents & POLLOUT) != 0;
    wake.hangUp = (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    return wake;
}

} // namespace serial
