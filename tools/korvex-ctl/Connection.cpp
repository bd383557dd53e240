#include "Connection.h"

#include "net/TcpTransport.h"
#include "serial/PortNaming.h"
#include "serial/SerialTransport.h"

#include <cstdio>
#include <filesystem>

void ReportError(const std::string &text) {
    std::fflush(stdout);
    std::fprintf(stderr, "korvex-ctl: %s\n", text.c_str());
}

std::string serialLineLabel(const std::string &given, unsigned port) {
#ifdef _WIN32
    (void)port;
    return given; // the system's own COMn
#else
    namespace fs = std::filesystem;
    const std::string path = serial::resolvePortPath(port);
    std::string device = path;
    std::error_code ec;
    if (path == serial::portName(port)) {
        // An entry in this folder: where it leads, or where a dangling link points.
        const fs::path entry(path);
        if (fs::exists(entry, ec))
            device = fs::canonical(entry, ec).string();
        else if (const fs::path target = fs::read_symlink(entry, ec); !ec)
            device = (target.is_absolute() ? target : fs::absolute(target, ec)).lexically_normal().string();
    }
    return device.empty() || device == given ? given : given + " (" + device + ")";
#endif
}

std::string openFailureAdvice(const std::string &why) {
    using Result = serial::SerialDevice::OpenResult;
    if (why == serial::openFailureText(Result::Missing, 0))
        return "is it plugged in? (USB adapters are COM33..COM64; korvex-ctl search tries every port)";
    if (why == serial::openFailureText(Result::InUse, 0))
        return "close that program, or reach the korvexd that holds the line with --host";
    return {};
}

Connection::Connection(const CommandLine &options)
    : m_options(options), m_line(m_session, *this, m_loop.timers()) {
    m_session.addObserver(this);
    m_session.setDeviceByte(static_cast<std::uint8_t>(m_options.address));
    // One-shot commands report a drop; `watch` waits for the line itself.
    m_line.setReconnect(false);
}

Connection::~Connection() {
    m_session.removeObserver(this);
    m_session.setTransport(nullptr);
}

std::unique_ptr<session::ITransport> Connection::serialLine(unsigned port) {
    return std::make_unique<serial::SerialTransport>(port, m_loop);
}

std::unique_ptr<session::ITransport> Connection::networkLine(const std::string &host, std::uint16_t port) {
    return std::make_unique<net::TcpTransport>(host, port, m_loop);
}

Connection::Clock::time_point Connection::deadline() const {
    return Clock::now() + std::chrono::milliseconds(m_options.timeoutMs);
}

int Connection::choose() {
    if (!m_options.host.empty()) {
        m_line.setNetworkLine(m_options.host, static_cast<std::uint16_t>(m_options.hostPort));
        m_label = m_line.status().line;
        return kExitOk;
    }
    m_label = m_options.port;
    std::string why;
    const std::optional<unsigned> number = serial::portNumberFor(m_options.port, why);
    if (!number) {
        ReportError(m_label + ": " + why);
        return kExitLine;
    }
    m_label = serialLineLabel(m_options.port, *number);
    m_line.setSerialLine(*number);
    return kExitOk;
}

int Connection::open() {
    if (const int status = choose())
        return status;
    m_line.togglePort();
    // A network line connects in the background; nothing goes out before it is up or has failed.
    m_loop.runUntil([this] { return m_line.state() != session::LineState::Connecting; }, deadline());
    const session::LineStatus &status = m_line.status();
    if (status.state == session::LineState::On)
        return kExitOk;
    const std::string why = status.state == session::LineState::Connecting ? "timed out" : status.detail;
    const std::string advice = status.network ? std::string() : openFailureAdvice(why);
    ReportError(m_label + ": " + (why.empty() ? std::string("cannot be opened") : why) +
                (advice.empty() ? "" : ": " + advice));
    return kExitLine;
}

int Connection::reportNoAnswer(int waitedMs, const std::string &what) const {
    if (m_dropped) {
        ReportError(m_label + ": the line dropped");
        return kExitLine;
    }
    const std::string check = m_options.host.empty()
                                  ? "the device address (--address), the cable, 57600 8N1, and that no other "
                                    "program uses the port"
                                  : "the device address (--address), and that the host and TCP port are the "
                                    "switcher's LAN port or korvexd's";
    ReportError(m_label + ": " + what + " within " + std::to_string(waitedMs) + " ms: check " + check);
    return kExitNoAnswer;
}

bool Connection::waitUntil(const std::function<bool()> &done, Clock::time_point deadline) {
    m_loop.runUntil([&] { return m_dropped || done(); }, deadline);
    return !m_dropped && done();
}

std::vector<session::TrafficLog::Entry> Connection::receivedSince(std::size_t first) const {
    std::vector<session::TrafficLog::Entry> out;
    for (std::size_t i = std::max(first, m_firstKept); i < receivedCount(); ++i)
        out.push_back(m_lines[i - m_firstKept]);
    return out;
}

void Connection::onLineSeen(std::string_view line) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    m_lines.push_back({std::chrono::duration_cast<std::chrono::milliseconds>(now).count(),
                       session::TrafficLog::Direction::Received, std::string(line)});
    if (m_lines.size() > kKeptLines) {
        m_lines.pop_front();
        ++m_firstKept;
    }
}
