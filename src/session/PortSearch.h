#pragma once

#include "session/Timer.h"

namespace session {

class DeviceSession;

// What a search needs of its owner besides the session: opening a numbered port on the session
// (without starting the port-on state) and hearing how the search ended.
class ISearchOwner {
public:
    virtual ~ISearchOwner() = default;
    // Puts port `port` (1..99) on the session and opens it, serving; false when it does not open.
    virtual bool openSearchPort(unsigned port) = 0;
    // A line arrived on `port` while it was probed: the device there answered.
    virtual void searchFound(unsigned port) = 0;
    // No port up to 99 answered (or none opened).
    virtual void searchNotFound() = 0;
};

// "Search Machine": opens the ports from 1 upwards, one at a time. The first open port gets a status
// request and 500 ms; every later one the search probe and 400 ms, with one quiet period between two
// ports (the line is closed for it). Any complete line on the probed port ends the search there. A
// line that fails while probed stops the search where it is.
class PortSearch {
public:
    PortSearch(DeviceSession &session, ISearchOwner &owner, ITimer &timer);

    // Starts from port 1; `current` is the port chosen before, which an ended search gives back.
    // False when no port opened at all (searchNotFound was called).
    bool start(unsigned current);
    // The timer fired.
    void onTimer();
    // A complete line arrived (the session's onLineSeen).
    void onLine();
    // The operator acted meanwhile: the search ends as if it had never run (the probed port is
    // closed). True when a search was running; the port chosen before is then savedPort().
    bool cancel();

    bool inProgress() const { return m_inProgress; }
    // True between start and the end of the search, including the quiet period.
    bool running() const { return m_inProgress || m_timer.active(); }
    unsigned port() const { return m_port; }
    unsigned savedPort() const { return m_savedPort; }

    static constexpr int kFirstPeriodMs = 500;
    static constexpr int kProbePeriodMs = 400;

private:
    bool openFirstFrom(unsigned first);
    void notFound();

    DeviceSession &m_session;
    ISearchOwner &m_owner;
    ITimer &m_timer;
    bool m_inProgress = false;
    bool m_quiet = false; // the probed port had its period and is closed for one more
    unsigned m_port = 1;
    unsigned m_savedPort = 1;
};

} // namespace session
