#include "share/SharedLine.h"

#include "net/TcpTransport.h"
#include "serial/SerialTransport.h"

#include <algorithm>

namespace share {

SharedLine::SharedLine(boost::asio::io_context &context, Line line, std::vector<std::uint8_t> devices,
                       unsigned pollSeconds, Log log)
    : m_context(context), m_handOff(context), m_line(std::move(line)), m_devices(std::move(devices)),
      m_log(std::move(log)), m_controller(m_session, *this, AsioTimer::factory(context)),
      m_arbiter(m_session, AsioTimer::factory(context)),
      m_poller(m_arbiter, AsioTimer::factory(context), m_devices, pollSeconds) {
    m_session.addObserver(this);
    m_model.keepOnly(m_devices);
    m_model.attach(m_session);
    // Every configured device is asked for its status when the line returns, one by one, so that
    // each answer is credited to its device.
    m_controller.setResync([this] { m_poller.resync(); });
    m_controller.setStatusHandler([this](const session::LineStatus &status) { onStatus(status); });
    m_arbiter.onRefused = [this](const LineUnit &unit) {
        if (m_session.isOpen()) {
            m_log("a unit of " + std::to_string(unit.bytes.size()) +
                  " bytes did not go on the line: over the write "
                  "limit");
            return;
        }
        refusedWhileAway();
    };
}

SharedLine::~SharedLine() {
    m_controller.setStatusHandler(nullptr);
    m_model.detach();
    m_session.removeObserver(this);
    m_session.setTransport(nullptr);
}

std::unique_ptr<session::ITransport> SharedLine::serialLine(unsigned port) {
    return std::make_unique<serial::SerialTransport>(port, m_handOff, m_line.name);
}

std::unique_ptr<session::ITransport> SharedLine::networkLine(const std::string &host, std::uint16_t port) {
    return std::make_unique<net::TcpTransport>(host, port, m_handOff);
}

void SharedLine::start() {
    if (m_line.kind == Line::Kind::Network)
        m_controller.setNetworkLine(m_line.host, m_line.hostPort);
    else
        m_controller.setSerialLine(m_line.port);
    m_controller.keepOn();
}

void SharedLine::stop() {
    m_poller.stop();
    m_arbiter.clear();
    m_controller.turnOff();
}

namespace {

// A text command that only asks ("A00 GET STA"): it changes no device.
bool onlyAsks(const std::string &bytes) {
    const std::size_t start = bytes.find_first_not_of("\r\n ");
    return start != std::string::npos && bytes.compare(start, 8, "A00 GET ") == 0;
}

} // namespace

// A client may send on while the line is away: said once, and counted when the line is back, instead
// of one log line per command.
void SharedLine::refusedWhileAway() {
    if (m_refusedWhileAway++ == 0)
        m_log("units do not go on the line while it is away; counting them");
}

void SharedLine::submit(LineUnit unit) {
    // A network line being tried again takes bytes before it knows whether it connects, and loses them
    // if it does not: nothing goes to the line until it is on.
    if (!on())
        return refusedWhileAway();
    const bool everyDevice = unit.device == 0 && !onlyAsks(unit.bytes);
    // Status requests still waiting go behind this unit instead: a burst of such units costs one round.
    if (everyDevice)
        m_arbiter.forget(kKorvexd);
    m_arbiter.submit(std::move(unit));
    if (everyDevice)
        m_poller.resync();
}

void SharedLine::addListener(ISharedLineListener *listener) {
    if (listener && std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void SharedLine::removeListener(ISharedLineListener *listener) {
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener), m_listeners.end());
}

void SharedLine::onLineSeen(std::string_view line) {
    for (ISharedLineListener *listener : m_listeners)
        listener->onDeviceLine(line);
}

void SharedLine::onStatus(const session::LineStatus &status) {
    const std::string why = status.detail.empty() ? std::string() : ": " + status.detail;
    switch (status.state) {
    case session::LineState::On:
        if (!m_wasOn) {
            m_log("line " + status.line +
                  (status.event == session::LineEvent::Reconnected ? " is back" : " is on"));
            if (m_refusedWhileAway > 0)
                m_log(std::to_string(m_refusedWhileAway) + (m_refusedWhileAway == 1 ? " unit" : " units") +
                      " did not go on the line while it was away");
            m_refusedWhileAway = 0;
            // At start the controller has not asked yet; after a reconnect it has (the resync).
            if (status.event != session::LineEvent::Reconnected)
                m_poller.resync();
            m_poller.start();
        }
        m_wasOn = true;
        break;
    case session::LineState::Lost:
        if (m_wasOn || status.event != session::LineEvent::Dropped)
            m_log("line " + status.line + (status.event == session::LineEvent::Dropped ? " lost" : "") + why +
                  ", waiting for it to return");
        m_wasOn = false;
        m_poller.stop();
        m_arbiter.clear();
        break;
    case session::LineState::Off:
    case session::LineState::Connecting:
    case session::LineState::Searching:
        if (m_wasOn) {
            m_poller.stop();
            m_arbiter.clear();
        }
        m_wasOn = false;
        break;
    }
    for (ISharedLineListener *listener : m_listeners)
        listener->onLineStatus(status);
}

} // namespace share
