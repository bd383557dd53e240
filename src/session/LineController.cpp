#include "session/LineController.h"

#include "protocol/Commands.h"

namespace session {

LineController::LineController(DeviceSession &session, ILineFactory &factory, const TimerFactory &timers)
    : m_session(session), m_factory(factory), m_searchTimer(timers([this] { m_search.onTimer(); })),
      m_reconnectTimer(timers([this] { m_reconnector.onTimer(); })),
      m_failureTimer(timers([this] { closeAfterFailure(); })), m_search(session, *this, *m_searchTimer),
      m_reconnector(*this, *m_reconnectTimer) {
    m_session.addObserver(this);
    useSerial(1);
}

LineController::~LineController() {
    m_session.removeObserver(this);
}

void LineController::setState(LineState state, LineEvent event, std::string detail) {
    m_status.state = state;
    m_status.event = event;
    m_status.detail = std::move(detail);
    m_status.open = m_session.isOpen();
    if (m_session.transport())
        m_status.line = m_session.transport()->name();
    if (m_handler)
        m_handler(m_status);
}

// ---- the line in use ---------------------------------------------------------------------------

void LineController::useSerial(unsigned port) {
    m_status.port = port;
    m_status.network = false;
    m_session.setTransport(m_factory.serialLine(port));
    m_status.line = m_session.transport()->name();
}

void LineController::useNetwork() {
    m_status.network = true;
    m_session.setTransport(m_factory.networkLine(m_host, m_hostPort));
    m_status.line = m_session.transport()->name();
}

bool LineController::openLine(bool serve) {
    return m_session.open(serve);
}

void LineController::clearFailure() {
    // A failure reported before the operator acted is forgotten with it.
    m_failureTimer->stop();
    if (m_session.transport())
        m_session.transport()->clearFailure();
}

void LineController::endSearchAndWait() {
    if (m_reconnector.waiting()) {
        m_reconnector.cancel();
        m_session.close();
    }
    if (m_search.cancel()) {
        m_status.port = m_search.savedPort();
        restoreLineBeforeSearch();
    }
}

void LineController::restoreLineBeforeSearch() {
    if (m_networkBeforeSearch)
        useNetwork();
    else
        useSerial(m_status.port);
}

// ---- the operator's actions --------------------------------------------------------------------

void LineController::togglePort() {
    endSearchAndWait();
    clearFailure();
    if (m_status.state == LineState::Connecting) {
        // "Turn on Port" while a connection is being made gives up on it.
        m_session.close();
        setState(LineState::Off, LineEvent::None);
        return;
    }
    if (m_session.portOn()) {
        m_session.setPortOn(false);
        m_session.close();
        setState(LineState::Off, LineEvent::None);
        return;
    }
    if (m_status.network) {
        connectNetwork();
        return;
    }
    m_session.close();
    if (openLine(true)) {
        m_session.setPortOn(true);
        setState(LineState::On, LineEvent::None);
    } else {
        setState(LineState::Off, LineEvent::OpenFailed, m_session.transport()->failureText());
    }
}

void LineController::choosePort(unsigned port) {
    endSearchAndWait();
    const bool wasOn = m_session.portOn();
    m_session.close();
    useSerial(port);
    clearFailure();
    // Switching while on turns the line off; the new port is then held open but not read.
    if (!openLine(!wasOn)) {
        // The port-on flag stays as it was (the button keeps its caption), though nothing is open.
        setState(wasOn ? LineState::On : LineState::Off, LineEvent::OpenFailed,
                 m_session.transport()->failureText());
        return;
    }
    m_session.setPortOn(!wasOn);
    setState(wasOn ? LineState::Off : LineState::On, LineEvent::None);
}

void LineController::chooseNetwork(const std::string &host, std::uint16_t port) {
    endSearchAndWait();
    m_session.close();
    m_session.setPortOn(false);
    m_host = host;
    m_hostPort = port;
    useNetwork();
    connectNetwork();
}

void LineController::connectNetwork() {
    m_session.close();
    if (!openLine(true)) {
        setState(LineState::Off, LineEvent::ConnectFailed, m_session.transport()->failureText());
        return;
    }
    if (m_session.transport()->connectsLater()) {
        setState(LineState::Connecting, LineEvent::None);
        return;
    }
    m_session.setPortOn(true);
    setState(LineState::On, LineEvent::Connected);
}

void LineController::startSearch() {
    endSearchAndWait();
    clearFailure();
    m_session.setPortOn(false);
    m_session.close();
    m_networkBeforeSearch = m_status.network;
    if (m_search.start(m_status.port))
        setState(LineState::Searching, LineEvent::None);
}

void LineController::setSerialLine(unsigned port) {
    turnOff();
    useSerial(port);
    setState(LineState::Off, LineEvent::None);
}

void LineController::setNetworkLine(const std::string &host, std::uint16_t port) {
    turnOff();
    m_host = host;
    m_hostPort = port;
    useNetwork();
    setState(LineState::Off, LineEvent::None);
}

void LineController::keepOn() {
    m_keepOn = true;
    endSearchAndWait();
    clearFailure();
    m_session.close();
    if (openLine(true)) {
        if (m_session.transport()->connectsLater()) {
            setState(LineState::Connecting, LineEvent::None);
        } else {
            m_session.setPortOn(true);
            setState(LineState::On, LineEvent::None);
        }
        return;
    }
    // Not there yet: wait for it as for a line that dropped.
    const std::string why = m_session.transport()->failureText();
    m_reconnector.start(m_session.transport()->reconnectSchedule());
    setState(LineState::Lost, m_status.network ? LineEvent::ConnectFailed : LineEvent::OpenFailed, why);
}

void LineController::turnOff() {
    m_keepOn = false;
    endSearchAndWait();
    clearFailure();
    m_session.setPortOn(false);
    m_session.close();
    setState(LineState::Off, LineEvent::None);
}

void LineController::setReconnect(bool on) {
    m_reconnectOn = on;
    if (on || !m_reconnector.waiting())
        return;
    // An attempt may be connecting in the background: it goes with the wait.
    m_reconnector.cancel();
    m_session.close();
    setState(LineState::Off, LineEvent::Dropped, m_status.detail);
}

// ---- what the line reports ---------------------------------------------------------------------

void LineController::onLineSeen(std::string_view) {
    m_search.onLine();
}

void LineController::onLineConnected() {
    if (m_reconnector.waiting()) {
        m_reconnector.connected();
        return;
    }
    if (m_status.state != LineState::Connecting)
        return;
    m_session.setPortOn(true);
    setState(LineState::On, LineEvent::Connected);
}

void LineController::onLineDropped() {
    // Closed from the next turn of the loop: the report may come from inside a handler.
    if (!m_failureTimer->active())
        m_failureTimer->start(1);
}

void LineController::closeAfterFailure() {
    m_failureTimer->stop();
    if (!m_session.lineFailed())
        return;
    const std::string why = m_session.transport()->failureText();
    if (m_reconnector.waiting()) {
        // An attempt's line failed again: close it quietly and try later.
        m_session.close();
        m_reconnector.failed();
        return;
    }
    if (m_status.state == LineState::Connecting) {
        m_session.close();
        if (m_keepOn) {
            m_reconnector.start(m_session.transport()->reconnectSchedule());
            setState(LineState::Lost, LineEvent::ConnectFailed, why);
        } else {
            setState(LineState::Off, LineEvent::ConnectFailed, why);
        }
        return;
    }
    const bool wasOn = m_session.portOn();
    // A probed port that fails ends the search where it is.
    if (m_search.running())
        m_search.cancel();
    m_session.close();
    m_session.setPortOn(false);
    if (wasOn && (m_reconnectOn || m_keepOn)) {
        m_reconnector.start(m_session.transport()->reconnectSchedule());
        setState(LineState::Lost, LineEvent::Dropped, why);
    } else {
        setState(LineState::Off, LineEvent::Dropped, why);
    }
}

// ---- the device search -------------------------------------------------------------------------

bool LineController::openSearchPort(unsigned port) {
    useSerial(port);
    return openLine(true);
}

void LineController::searchFound(unsigned port) {
    m_status.port = port;
    m_session.setPortOn(true);
    setState(LineState::On, LineEvent::Found);
}

void LineController::searchNotFound() {
    m_status.port = m_search.savedPort();
    restoreLineBeforeSearch();
    setState(LineState::Off, LineEvent::NotFound);
}

// ---- waiting for the line ----------------------------------------------------------------------

IReconnectOwner::Attempt LineController::reopenLine() {
    // A serial port counts once its device node (or COMn link) is there again and opens; a network
    // line connects in the background.
    if (!m_session.transport()->present() || !openLine(true))
        return Attempt::Failed;
    return m_session.transport()->connectsLater() ? Attempt::Pending : Attempt::Opened;
}

void LineController::lineReturned() {
    m_session.setPortOn(true);
    // Every view of the device shows its real state again.
    if (m_resync)
        m_resync();
    else
        m_session.SendText(protocol::buildGetStatus());
    setState(LineState::On, LineEvent::Reconnected);
}

} // namespace session
