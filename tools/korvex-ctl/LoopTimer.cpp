#include "LoopTimer.h"

LoopTimer::LoopTimer(EventLoop &loop, std::function<void()> onTimeout)
    : m_loop(loop), m_onTimeout(std::move(onTimeout)) {
    m_loop.addTimer(this);
}

LoopTimer::~LoopTimer() {
    m_loop.removeTimer(this);
}

void LoopTimer::start(int milliseconds) {
    m_period = std::chrono::milliseconds(milliseconds);
    m_due = EventLoop::Clock::now() + m_period;
    m_active = true;
}

void LoopTimer::fire() {
    m_due = EventLoop::Clock::now() + m_period;
    if (m_onTimeout)
        m_onTimeout();
}
