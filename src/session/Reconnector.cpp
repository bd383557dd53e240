#include "session/Reconnector.h"

#include <algorithm>

namespace session {

Reconnector::Reconnector(IReconnectOwner &owner, ITimer &timer) : m_owner(owner), m_timer(timer) {}

void Reconnector::start(std::vector<int> delaysMs) {
    m_delays = delaysMs.empty() ? serialSchedule() : std::move(delaysMs);
    m_next = 0;
    m_waiting = true;
    m_pending = false;
    scheduleNext();
}

void Reconnector::cancel() {
    m_waiting = false;
    m_pending = false;
    m_timer.stop();
}

void Reconnector::scheduleNext() {
    const int delay = m_delays[std::min(m_next, m_delays.size() - 1)];
    ++m_next;
    m_timer.start(delay);
}

void Reconnector::onTimer() {
    m_timer.stop();
    if (!m_waiting || m_pending)
        return;
    switch (m_owner.reopenLine()) {
    case IReconnectOwner::Attempt::Opened:
        m_waiting = false;
        m_owner.lineReturned();
        break;
    case IReconnectOwner::Attempt::Pending:
        m_pending = true;
        break;
    case IReconnectOwner::Attempt::Failed:
        scheduleNext();
        break;
    }
}

void Reconnector::connected() {
    if (!m_waiting || !m_pending)
        return;
    m_pending = false;
    m_waiting = false;
    m_owner.lineReturned();
}

void Reconnector::failed() {
    if (!m_waiting || !m_pending)
        return;
    m_pending = false;
    scheduleNext();
}

} // namespace session
