#pragma once

#include "session/HandOff.h"
#include "session/Timer.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class LoopTimer;

// The one thread korvex-ctl's session lives on: other threads (a transport's worker) post calls to
// it, and the loop runs them, in order, together with its timers, until the caller's condition holds
// or its deadline passes.
class EventLoop : public session::IHandOff {
public:
    using Clock = std::chrono::steady_clock;

    EventLoop() = default;
    EventLoop(const EventLoop &) = delete;
    EventLoop &operator=(const EventLoop &) = delete;

    // Any thread.
    void post(std::function<void()> call) override;

    // Loop thread: runs posted calls and due timers until done() holds or the deadline passes;
    // returns done(). done() is looked at after every call and timer, and at least every 10 ms.
    bool runUntil(const std::function<bool()> &done, Clock::time_point deadline);

    // Timers on this loop, for the session's state machines.
    session::TimerFactory timers();

private:
    friend class LoopTimer;

    void addTimer(LoopTimer *timer);
    void removeTimer(LoopTimer *timer);
    // Runs the timers that are due; true when one ran.
    bool fireDueTimers();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_calls;
    std::vector<LoopTimer *> m_timers;
};
