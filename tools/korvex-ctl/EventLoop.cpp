#include "EventLoop.h"

#include "LoopTimer.h"

#include <algorithm>

struct EventLoop::Call {
    std::function<void()> run;
    std::uint64_t generation = 0;
    bool finished = false;
};

void EventLoop::callAndWait(std::function<void()> call) {
    auto entry = std::make_shared<Call>();
    entry->run = std::move(call);
    std::unique_lock<std::mutex> lock(m_mutex);
    entry->generation = m_generation;
    m_calls.push_back(entry);
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return entry->finished || entry->generation != m_generation; });
}

void EventLoop::abandonPending() {
    std::lock_guard<std::mutex> guard(m_mutex);
    ++m_generation;
    m_calls.clear();
    m_changed.notify_all();
}

bool EventLoop::runUntil(const std::function<bool()> &done, Clock::time_point deadline) {
    constexpr auto kLongestNap = std::chrono::milliseconds(10);
    while (!done()) {
        if (fireDueTimers())
            continue;
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            return done();
        Clock::time_point wake = std::min(deadline, now + kLongestNap);
        for (const LoopTimer *timer : m_timers)
            if (timer->active())
                wake = std::min(wake, timer->due());

        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_changed.wait_until(lock, wake, [this] { return !m_calls.empty(); }))
            continue;
        std::shared_ptr<Call> call = m_calls.front();
        m_calls.pop_front();
        const std::uint64_t generation = call->generation;
        lock.unlock();
        call->run();
        lock.lock();
        // A call abandoned while it ran has no waiter left to tell.
        if (generation == m_generation) {
            call->finished = true;
            m_changed.notify_all();
        }
    }
    return true;
}

void EventLoop::addTimer(LoopTimer *timer) {
    m_timers.push_back(timer);
}

void EventLoop::removeTimer(LoopTimer *timer) {
    m_timers.erase(std::remove(m_timers.begin(), m_timers.end(), timer), m_timers.end());
}

bool EventLoop::fireDueTimers() {
    const Clock::time_point now = Clock::now();
    for (LoopTimer *timer : m_timers) {
        if (timer->active() && timer->due() <= now) {
            timer->fire();
            return true; // the callback may have changed the timers
        }
    }
    return false;
}
