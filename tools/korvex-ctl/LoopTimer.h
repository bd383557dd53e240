#pragma once

#include "EventLoop.h"
#include "session/Timer.h"

#include <functional>

// A repeating timer that an EventLoop runs: the session's state machines (the line controller) start
// and stop it, and the loop calls back on its own thread when a period has passed.
class LoopTimer : public session::ITimer {
public:
    LoopTimer(EventLoop &loop, std::function<void()> onTimeout);
    ~LoopTimer() override;
    LoopTimer(const LoopTimer &) = delete;
    LoopTimer &operator=(const LoopTimer &) = delete;

    void start(int milliseconds) override;
    void stop() override { m_active = false; }
    bool active() const override { return m_active; }

    EventLoop::Clock::time_point due() const { return m_due; }
    // The loop: the period has passed; the next one starts before the callback runs.
    void fire();

private:
    EventLoop &m_loop;
    std::function<void()> m_onTimeout;
    EventLoop::Clock::duration m_period{};
    EventLoop::Clock::time_point m_due{};
    bool m_active = false;
};
