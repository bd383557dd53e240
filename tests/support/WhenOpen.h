#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

namespace testsupport {

// Runs `act` on the dialog of that type as soon as it is open modally, inside its own event loop:
// how a test drives a dialog that the code under test runs with exec().
template <class Dialog> class WhenOpen {
public:
    explicit WhenOpen(std::function<void(Dialog &)> act) : m_act(std::move(act)) {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
                m_timer.stop();
                m_act(*dialog);
                m_done = true;
            }
        });
        m_timer.start();
    }
    bool done() const { return m_done; }

private:
    std::function<void(Dialog &)> m_act;
    QTimer m_timer;
    bool m_done = false;
};

} // namespace testsupport
