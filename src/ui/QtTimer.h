#pragma once

#include "session/Timer.h"

#include <QTimer>
#include <functional>
#include <memory>
#include <utility>

namespace ui {

// A session timer on the Qt event loop: the session's state machines start and stop it, and each
// timeout calls back into them.
class QtTimer : public session::ITimer {
public:
    explicit QtTimer(std::function<void()> onTimeout) {
        QObject::connect(&m_timer, &QTimer::timeout, std::move(onTimeout));
    }
    void start(int milliseconds) override { m_timer.start(milliseconds); }
    void stop() override { m_timer.stop(); }
    bool active() const override { return m_timer.isActive(); }

    // The factory the line controller makes its timers with.
    static std::unique_ptr<session::ITimer> make(std::function<void()> onTimeout) {
        return std::make_unique<QtTimer>(std::move(onTimeout));
    }

private:
    QTimer m_timer;
};

} // namespace ui
