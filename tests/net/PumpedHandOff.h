#pragma once

#include "session/HandOff.h"

#include <deque>
#include <functional>
#include <mutex>

// The hand-off of a test whose own thread plays the session's: posted calls wait here until the test
// calls pump(), which runs them on the test's thread as the console's event loop would.
class PumpedHandOff : public session::IHandOff {
public:
    void post(std::function<void()> call) override {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_calls.push_back(std::move(call));
    }
    void pump() {
        for (;;) {
            std::function<void()> call;
            {
                std::lock_guard<std::mutex> guard(m_mutex);
                if (m_calls.empty())
                    return;
                call = std::move(m_calls.front());
                m_calls.pop_front();
            }
            call();
        }
    }

private:
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_calls;
};
