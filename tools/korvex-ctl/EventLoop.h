#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class LoopTimer;

// The one thread korvex-ctl's session lives on: other threads (a transport's worker) hand it calls
// and wait until they have run, and the loop runs them, in order, together with its timers, until
// the caller's condition holds or its deadline passes.
class EventLoop {
public:
    using Clock = std::chrono::steady_clock;

    EventLoop() = default;
    EventLoop(const EventLoop &) = delete;
    EventLoop &operator=(const EventLoop &) = delete;

    // Any other thread: queues the call and blocks until the loop has run it, or until the loop
    // abandons it (abandonPending), in which case it never runs.
    void callAndWait(std::function<void()> call);

    // Loop thread: drops every queued call and releases the threads waiting for them (a link that
    // closes waits for its worker, which may be waiting here).
    void abandonPending();

    // Loop thread: runs queued calls and due timers until done() holds or the deadline passes;
    // returns done(). done() is looked at after every call and timer, and at least every 10 ms.
    bool runUntil(const std::function<bool()> &done, Clock::time_point deadline);

private:
    friend class LoopTimer;
    struct Call;

    void addTimer(LoopTimer *timer);
    void removeTimer(LoopTimer *timer);
    // Runs the timers that are due; true when one ran.
    bool fireDueTimers();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::shared_ptr<Call>> m_calls;
    std::uint64_t m_generation = 0; // bumped by abandonPending
    std::vector<LoopTimer *> m_timers;
};
