#include "sim/SimServer.h"

#include "sim/EdidCatalog.h"
#include "sim/PathInFolder.h"
#include "sim/StateJson.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace korvexsim {
namespace {

// 57600 baud, 10 bits a byte (start, 8 data, stop).
constexpr std::chrono::nanoseconds kByteTime{1'000'000'000LL * 10 / 57600};
constexpr std::size_t kMaxQueued = 1 << 20;
constexpr std::size_t kFloodChunk = 512;
constexpr std::chrono::seconds kHangupGrace{2};
constexpr std::chrono::milliseconds kHangupSettle{50};
constexpr std::chrono::seconds kStallDrop{1};
constexpr std::string_view kBusyLine = "BUSY: another controller is connected\r\n";

bool isLineEnd(std::string_view line) {
    return line.empty() || line == "\r";
}

} // namespace

SimServer::SimServer(SimOptions options)
    : m_options(std::move(options)), m_line(m_options.addresses), m_random(m_options.seed),
      m_linkLock(m_options.link) {}

SimServer::~SimServer() {
    cleanUp();
}

int SimServer::run() {
    std::string error;
    if (!setUp(error)) {
        std::fprintf(stderr, "korvex-sim: %s\n", error.c_str());
        cleanUp();
        return 1;
    }
    writeState();
    // The first line of standard output is the slave path (or where we listen); whoever started us
    // waits for it.
    std::printf("%s\n", m_options.tcp ? m_listener.address().c_str() : m_slavePath.c_str());
    std::fflush(stdout);

    while (!m_stop) {
        Clock::time_point now = Clock::now();
        std::vector<WireDecoder::Event> events;
        m_serialDecoder.expire(now, events);
        handleEvents(events, Source::Serial);
        events.clear();
        m_injectDecoder.expire(now, events);
        handleEvents(events, Source::Inject);

        // Hang up once the answer has been read off the line (or nobody has read for a while):
        // closing the master throws away whatever the other side has not read yet. Written bytes
        // reach the slave's read buffer a moment after the write, hence the settle time.
        if (m_hangupPending && !m_hungUp &&
            ((m_queue.empty() && now - m_lastProgress >= kHangupSettle && unreadOnLine() == 0) ||
             now - m_lastProgress > kHangupGrace))
            closeLine();
        // Nobody has read for a while (no console has the port open): like a UART talking into an
        // unplugged cable, the waiting replies are lost rather than delivered late to the next opener.
        if (frontReady(now) && now - std::max(m_lastProgress, m_queue.front().notBefore) > kStallDrop) {
            m_log.write("DROPPED", std::to_string(m_queuedBytes));
            m_queue.clear();
            m_queuedBytes = 0;
        }
        if (m_flooding && !m_hungUp && !m_hangupPending && m_queue.empty())
            enqueue(randomBytes(static_cast<int>(kFloodChunk), false), now);

        pollfd fds[4];
        nfds_t count = 0;
        fds[count++] = {m_signalFd, POLLIN, 0};
        int masterIndex = -1, fifoIndex = -1, listenIndex = -1;
        if (m_master >= 0) {
            masterIndex = static_cast<int>(count);
            short ev = POLLIN;
            if (frontReady(now) && (!m_options.pace || now >= m_paceNext))
                ev |= POLLOUT;
            fds[count++] = {m_master, ev, 0};
        }
        if (m_fifoRead >= 0) {
            fifoIndex = static_cast<int>(count);
            fds[count++] = {m_fifoRead, POLLIN, 0};
        }
        if (m_listener.fd() >= 0) {
            listenIndex = static_cast<int>(count);
            fds[count++] = {m_listener.fd(), POLLIN, 0};
        }
        int ready = ::poll(fds, count, pollTimeoutMs(now));
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "korvex-sim: poll: %s\n", std::strerror(errno));
            return 1;
        }
        if (fds[0].revents & POLLIN) {
            signalfd_siginfo info;
            if (::read(m_signalFd, &info, sizeof info) > 0)
                m_stop = true;
        }
        if (masterIndex >= 0 && m_master >= 0) {
            // Replies already due go out before newer input is read, so answers keep the order of
            // the commands that caused them.
            if (fds[masterIndex].revents & POLLOUT)
                writeOut(Clock::now());
            // Over TCP a failed write has dropped the controller already.
            if (m_master >= 0 && (fds[masterIndex].revents & (POLLIN | POLLHUP | POLLERR)))
                readSerial();
        }
        if (fifoIndex >= 0 && (fds[fifoIndex].revents & (POLLIN | POLLHUP)))
            readInject();
        if (listenIndex >= 0 && (fds[listenIndex].revents & POLLIN))
            acceptClient();
    }
    return 0;
}

bool SimServer::setUp(std::string &error) {
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0 ||
        (m_signalFd = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK)) < 0) {
        error = std::string("signalfd: ") + std::strerror(errno);
        return false;
    }
    // First of all: a simulator refused here must not touch the files of the one serving the link.
    if (!m_options.link.empty()) {
        std::string reason;
        switch (m_linkLock.take(reason)) {
        case LinkLock::Outcome::Taken:
            break;
        case LinkLock::Outcome::Held:
            error = m_options.link + " is held by a running korvex-sim" +
                    (m_linkLock.holder() > 0 ? " (pid " + std::to_string(m_linkLock.holder()) + ")" : "") +
                    ": stop it or choose another --link";
            return false;
        case LinkLock::Outcome::Failed:
            error = "cannot use the link " + m_options.link + ": " + reason;
            return false;
        }
    }
    for (const auto &[output, path] : m_options.edidOut) {
        EdidImage image;
        std::string reason;
        if (!EdidCatalog::readFile(path, image, reason)) {
            error = "cannot read the EDID file " + pathInFolder(path) + " (--edid-out " +
                    std::to_string(output) + "): " + reason;
            return false;
        }
        m_line.setSinkEdid(output, image);
    }
    if (!m_options.log.empty() && !m_log.open(m_options.log)) {
        error = "cannot create the wire log " + pathInFolder(m_options.log) + ": " + std::strerror(errno);
        return false;
    }
    if (m_options.tcp) {
        if (!m_listener.open(m_options.tcpHost, m_options.tcpPort, error))
            return false;
    } else if (!openPty(error)) {
        return false;
    }
    if (!m_options.link.empty() && !makeLink(error))
        return false;
    if (!m_options.inject.empty() && !makeFifo(error))
        return false;
    if (!m_options.state.empty() &&
        !StateJson::writeAtomically(m_options.state, StateJson::render(m_line.devices(), {}))) {
        error = "cannot write the state file " + pathInFolder(m_options.state) + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool SimServer::openPty(std::string &error) {
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        error = std::string("cannot open a pseudo-terminal (openpty): ") + std::strerror(errno);
        return false;
    }
    m_slavePath = name;
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    // Raw 8N1 at 57600 from the start, so nothing is echoed or translated before a console
    // configures the port itself.
    termios t{};
    if (::tcgetattr(m_slave, &t) == 0) {
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, B57600);
        ::cfsetospeed(&t, B57600);
        t.c_cflag |= CLOCAL | CREAD;
        ::tcsetattr(m_slave, TCSANOW, &t);
    }
    return true;
}

bool SimServer::makeLink(std::string &error) {
    struct stat st {};
    if (::lstat(m_options.link.c_str(), &st) == 0) {
        // A symlink left by an earlier run is replaced (no running simulator holds it: we have its
        // lock); anything else is not ours to remove.
        if (!S_ISLNK(st.st_mode)) {
            error = "cannot make the link " + pathInFolder(m_options.link) +
                    ": a file that is not a symbolic link is in the way; remove it or choose another --link";
            return false;
        }
        ::unlink(m_options.link.c_str());
    }
    if (::symlink(m_slavePath.c_str(), m_options.link.c_str()) != 0) {
        error = "cannot make the link " + pathInFolder(m_options.link) + ": " + std::strerror(errno);
        return false;
    }
    m_linkMade = true;
    return true;
}

bool SimServer::makeFifo(std::string &error) {
    struct stat st {};
    if (::lstat(m_options.inject.c_str(), &st) == 0) {
        if (!S_ISFIFO(st.st_mode)) {
            error = "cannot make the FIFO " + pathInFolder(m_options.inject) +
                    ": a file that is not a FIFO is in the way; remove it or choose another --inject";
            return false;
        }
        ::unlink(m_options.inject.c_str());
    }
    if (::mkfifo(m_options.inject.c_str(), 0600) != 0) {
        error = "cannot make the FIFO " + pathInFolder(m_options.inject) + ": " + std::strerror(errno);
        return false;
    }
    m_fifoMade = true;
    m_fifoRead = ::open(m_options.inject.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    // Our own writer keeps the FIFO from reporting end-of-file each time a test's writer closes.
    m_fifoKeepAlive = ::open(m_options.inject.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fifoRead < 0 || m_fifoKeepAlive < 0) {
        error = "cannot open the FIFO " + pathInFolder(m_options.inject) + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void SimServer::cleanUp() {
    if (m_linkMade) {
        // Only remove the link while no other simulator has taken it over (after our hang-up one may
        // have, on a terminal of the same name) and while it still points at our terminal.
        std::string ignored;
        char target[512];
        if (m_linkLock.take(ignored) == LinkLock::Outcome::Taken) {
            ssize_t n = ::readlink(m_options.link.c_str(), target, sizeof target - 1);
            if (n >= 0 && std::string(target, static_cast<std::size_t>(n)) == m_slavePath)
                ::unlink(m_options.link.c_str());
        }
        m_linkMade = false;
    }
    m_linkLock.release();
    if (m_fifoMade) {
        ::unlink(m_options.inject.c_str());
        m_fifoMade = false;
    }
    for (int *fd : {&m_fifoRead, &m_fifoKeepAlive, &m_master, &m_slave, &m_signalFd}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    m_listener.close();
}

void SimServer::acceptClient() {
    std::string peer;
    const int fd = m_listener.accept(peer);
    if (fd < 0)
        return;
    // Like a switcher's LAN port, the line serves one controller at a time.
    if (m_master >= 0) {
        m_log.write("BUSY", peer);
        TcpListener::refuse(fd, kBusyLine);
        return;
    }
    m_log.write("CONNECT", peer);
    m_master = fd;
    // A new connection starts clean: nothing of the last one's input, replies or fault counts.
    m_serialDecoder = WireDecoder();
    m_queue.clear();
    m_queuedBytes = 0;
    m_lineCommands = 0;
    m_bytesSent = 0;
    m_hungUp = m_hangupPending = m_flooding = false;
    m_lastProgress = Clock::now();
    writeState();
}

void SimServer::dropClient() {
    m_log.write("DISCONNECT", {});
    ::close(m_master);
    m_master = -1;
    m_queue.clear();
    m_queuedBytes = 0;
    m_hangupPending = m_flooding = false;
}

void SimServer::readSerial() {
    char buf[4096];
    ssize_t n = ::read(m_master, buf, sizeof buf);
    if (n <= 0) {
        // The controller closed its connection, or it was reset.
        if (m_options.tcp && (n == 0 || (errno != EAGAIN && errno != EINTR)))
            dropClient();
        return;
    }
    std::vector<WireDecoder::Event> events;
    m_serialDecoder.feed(std::string_view(buf, static_cast<std::size_t>(n)), Clock::now(), events);
    handleEvents(events, Source::Serial);
}

void SimServer::readInject() {
    char buf[4096];
    ssize_t n = ::read(m_fifoRead, buf, sizeof buf);
    if (n <= 0)
        return;
    std::vector<WireDecoder::Event> events;
    m_injectDecoder.feed(std::string_view(buf, static_cast<std::size_t>(n)), Clock::now(), events);
    handleEvents(events, Source::Inject);
}

void SimServer::handleEvents(std::vector<WireDecoder::Event> &events, Source source) {
    for (const WireDecoder::Event &ev : events) {
        SwitcherLine::Result result;
        switch (ev.kind) {
        case WireDecoder::Event::Line:
            if (isLineEnd(ev.bytes))
                continue;
            m_log.write(source == Source::Inject ? "INJECT" : "LINE", WireLog::escape(ev.bytes));
            if (m_hungUp)
                continue;
            result = m_line.handleLine(ev.bytes);
            break;
        case WireDecoder::Event::Frame:
            m_log.write("FRAME", WireLog::hex(ev.bytes));
            if (m_hungUp)
                continue;
            result = m_line.handleFrame(ev.bytes);
            break;
        case WireDecoder::Event::BadFrame:
            m_log.write("BADFRAME", WireLog::hex(ev.bytes));
            continue;
        case WireDecoder::Event::Overlong:
            m_log.write("OVERLONG", std::to_string(ev.dropped));
            continue;
        }
        if (result.recognised)
            onCommand(result);
    }
}

void SimServer::onCommand(const SwitcherLine::Result &result) {
    ++m_commands;
    ++m_lineCommands;
    Clock::time_point now = Clock::now();
    Clock::time_point when = now + std::chrono::milliseconds(m_options.delayMs);
    if (!m_options.silent) {
        for (const std::string &block : result.replies) {
            enqueue(block, when);
            if (m_options.garbage > 0)
                enqueue(randomBytes(m_options.garbage, true), when);
        }
    }
    if (m_options.flood)
        m_flooding = true;
    if (m_options.hangupAfter > 0 && m_lineCommands >= m_options.hangupAfter)
        m_hangupPending = true;
    m_lastProgress = now;
    writeState();
}

void SimServer::enqueue(std::string bytes, Clock::time_point notBefore) {
    // Replies nobody reads pile up only so far; beyond that they are dropped like a full UART buffer.
    const bool cutOff =
        m_options.hangupAtByte > 0 && m_bytesSent >= static_cast<std::size_t>(m_options.hangupAtByte);
    const bool nobodyConnected = m_options.tcp && m_master < 0;
    if (bytes.empty() || m_hungUp || nobodyConnected || cutOff || m_queuedBytes + bytes.size() > kMaxQueued)
        return;
    m_queuedBytes += bytes.size();
    m_queue.push_back({std::move(bytes), 0, notBefore});
}

bool SimServer::frontReady(Clock::time_point now) const {
    return !m_queue.empty() && m_queue.front().notBefore <= now;
}

std::size_t SimServer::paceAllowance(Clock::time_point now) {
    if (!m_options.pace)
        return SIZE_MAX;
    // After a pause the line starts afresh; within a burst at most ~10 ms of bytes go at once.
    if (m_paceNext + std::chrono::milliseconds(10) < now)
        m_paceNext = now;
    if (now < m_paceNext)
        return 0;
    auto ahead = static_cast<std::size_t>((now - m_paceNext) / kByteTime) + 1;
    return std::min<std::size_t>(ahead, 64);
}

void SimServer::writeOut(Clock::time_point now) {
    while (m_master >= 0 && frontReady(now)) {
        Chunk &c = m_queue.front();
        std::size_t want = std::min(c.bytes.size() - c.sent, paceAllowance(now));
        if (m_options.hangupAtByte > 0) {
            // Stop the line at byte N exactly; the rest of the reply is never sent.
            want = std::min(want, static_cast<std::size_t>(m_options.hangupAtByte) - m_bytesSent);
        }
        if (want == 0)
            return;
        ssize_t n = ::write(m_master, c.bytes.data() + c.sent, want);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                // The terminal or the controller is gone; nothing more can be delivered.
                if (m_options.tcp) {
                    dropClient();
                    return;
                }
                m_queue.clear();
                m_queuedBytes = 0;
            }
            return;
        }
        c.sent += static_cast<std::size_t>(n);
        m_bytesSent += static_cast<std::size_t>(n);
        m_queuedBytes -= static_cast<std::size_t>(n);
        m_lastProgress = now;
        if (m_options.pace)
            m_paceNext += kByteTime * n;
        if (c.sent == c.bytes.size())
            m_queue.pop_front();
        if (m_options.hangupAtByte > 0 && m_bytesSent >= static_cast<std::size_t>(m_options.hangupAtByte)) {
            m_queue.clear();
            m_queuedBytes = 0;
            m_hangupPending = true;
            return;
        }
        if (m_options.pace)
            return;
    }
}

std::size_t SimServer::unreadOnLine() const {
    int n = 0;
    if (m_slave < 0 || ::ioctl(m_slave, FIONREAD, &n) != 0 || n < 0)
        return 0;
    return static_cast<std::size_t>(n);
}

void SimServer::closeLine() {
    m_log.write("HANGUP", {});
    // Nobody serves the link any more: another simulator may take it over. The link itself stays, a
    // port that no longer opens, like an unplugged adapter.
    m_linkLock.release();
    if (m_options.tcp && m_master >= 0)
        TcpListener::hangUp(m_master);
    else if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
    m_queue.clear();
    m_queuedBytes = 0;
    m_hungUp = true;
    m_hangupPending = false;
    m_flooding = false;
    writeState();
}

void SimServer::writeState() {
    if (m_options.state.empty())
        return;
    StateJson::Meta meta{m_commands, m_hungUp};
    const bool written =
        StateJson::writeAtomically(m_options.state, StateJson::render(m_line.devices(), meta));
    // Said once when the writes start failing (a full disk, a removed folder), again after a recovery.
    if (!written && !m_stateFailing)
        std::fprintf(stderr, "korvex-sim: cannot write the state file %s: %s\n",
                     pathInFolder(m_options.state).c_str(), std::strerror(errno));
    m_stateFailing = !written;
}

std::string SimServer::randomBytes(int count, bool withLineFeeds) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::string s;
    s.reserve(static_cast<std::size_t>(count));
    while (static_cast<int>(s.size()) < count) {
        char c = static_cast<char>(byte(m_random));
        if (!withLineFeeds && c == '\n')
            continue;
        s += c;
    }
    return s;
}

int SimServer::pollTimeoutMs(Clock::time_point now) const {
    std::optional<Clock::time_point> next;
    auto consider = [&](std::optional<Clock::time_point> t) {
        if (t && (!next || *t < *next))
            next = t;
    };
    consider(m_serialDecoder.deadline());
    consider(m_injectDecoder.deadline());
    if (!m_queue.empty()) {
        consider(m_queue.front().notBefore);
        if (m_options.pace && m_queue.front().notBefore <= now)
            consider(m_paceNext);
    }
    if (!m_queue.empty() && m_queue.front().notBefore <= now)
        consider(std::max(m_lastProgress, m_queue.front().notBefore) + kStallDrop);
    if (m_hangupPending)
        consider(std::min(m_lastProgress + kHangupGrace, now + std::chrono::milliseconds(10)));
    if (!next)
        return 1000;
    if (*next <= now)
        return 0;
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(*next - now).count() + 1;
    return static_cast<int>(std::min<long long>(ms, 1000));
}

} // namespace korvexsim
