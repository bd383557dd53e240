#pragma once

#include "session/Timer.h"

#include <QTimer>
#include <functional>
#include <utility>

// A session timer on the Qt event loop: the session's state machines start and stop it, and each
// timeout calls back into them.
class QtSessionTimer : public session::ITimer {
public:
    QtSessionTimer(const QString &name, std::function<void()> onTimeout) {
        m_timer.setObjectName(name);
        QObject::connect(&m_timer, &QTimer::timeout, std::move(onTimeout));
    }
    void start(int milliseconds) override { m_timer.start(milliseconds); }
    void stop() override { m_timer.stop(); }
    bool active() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};
