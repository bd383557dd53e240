#include "session/PortSearch.h"

#include "protocol/Commands.h"
#include "session/DeviceSession.h"
#include "session/PortNumbers.h"

namespace session {

PortSearch::PortSearch(DeviceSession &session, ISearchOwner &owner, ITimer &timer)
    : m_session(session), m_owner(owner), m_timer(timer) {}

bool PortSearch::openFirstFrom(unsigned first) {
    for (m_port = first; m_port <= kLastPort; ++m_port)
        if (m_owner.openSearchPort(m_port))
            return true;
    return false;
}

void PortSearch::notFound() {
    m_inProgress = false;
    m_timer.stop();
    m_port = m_savedPort;
    m_owner.searchNotFound();
}

bool PortSearch::start(unsigned current) {
    m_savedPort = current;
    m_quiet = false;
    if (!openFirstFrom(1)) {
        notFound();
        return false;
    }
    m_session.SendText(protocol::buildGetStatus());
    m_inProgress = true;
    m_timer.start(kFirstPeriodMs);
    return true;
}

void PortSearch::onTimer() {
    if (m_session.lineFailed())
        m_inProgress = false;
    if (!m_inProgress) {
        m_timer.stop();
        return;
    }
    if (!m_quiet) {
        // The probed port had its period: close it and leave the line quiet for one period.
        m_session.close();
        m_quiet = true;
        return;
    }
    m_quiet = false;
    if (!openFirstFrom(m_port + 1)) {
        notFound();
        return;
    }
    m_session.sendRaw(protocol::buildSearchProbe());
    m_timer.start(kProbePeriodMs);
}

void PortSearch::onLine() {
    if (!m_inProgress)
        return;
    m_inProgress = false;
    m_timer.stop();
    m_owner.searchFound(m_port);
}

bool PortSearch::cancel() {
    if (!running())
        return false;
    m_timer.stop();
    m_inProgress = false;
    m_quiet = false;
    m_session.close();
    m_port = m_savedPort;
    return true;
}

} // namespace session
