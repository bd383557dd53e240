#include "EventLoop.h"

#include "LoopTimer.h"

#include <algorithm>

void EventLoop::post(std::function<void()> call) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_calls.push_back(std::move(call));
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
        std::function<void()> call = std::move(m_calls.front());
        m_calls.pop_front();
        lock.unlock();
        call();
    }
    return true;
}

session::TimerFactory EventLoop::timers() {
    return [this](std::function<void()> onTimeout) {
        return std::make_unique<LoopTimer>(*this, std::move(onTimeout));
    };
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
