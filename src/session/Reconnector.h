#pragma once

#include "session/Timer.h"

#include <vector>

namespace session {

// What a reconnect needs of its owner: one attempt to open the lost line again.
class IReconnectOwner {
public:
    virtual ~IReconnectOwner() = default;
    enum class Attempt {
        Opened,  // the line is open again
        Pending, // a background connection is under way: connected() or failed() follows
        Failed,  // not there yet
    };
    virtual Attempt reopenLine() = 0;
    // The line is back (an attempt opened it, or its background connection came up).
    virtual void lineReturned() = 0;
};

// Waits for a lost line to come back and reopens it: an attempt after each delay of the schedule, the
// last delay repeating (serial: a short poll for the device node; TCP: back-off 1, 2, 4 ... 30 s).
// Driven by the owner's timer; stops when the line is back or the owner cancels.
class Reconnector {
public:
    Reconnector(IReconnectOwner &owner, ITimer &timer);

    // Starts waiting with this schedule of delays in milliseconds (not empty).
    void start(std::vector<int> delaysMs);
    void cancel();
    bool waiting() const { return m_waiting; }

    // The timer fired: one attempt.
    void onTimer();
    // The background connection of a pending attempt came up, or did not.
    void connected();
    void failed();

    static std::vector<int> serialSchedule() { return {500}; }
    static std::vector<int> networkSchedule() { return {1000, 2000, 4000, 8000, 16000, 30000}; }

private:
    void scheduleNext();

    IReconnectOwner &m_owner;
    ITimer &m_timer;
    std::vector<int> m_delays;
    std::size_t m_next = 0;
    bool m_waiting = false;
    bool m_pending = false;
};

} // namespace session
