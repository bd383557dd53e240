#pragma once

#include "ui/MessageBox.h"

#include <QObject>
#include <QString>
#include <memory>
#include <mutex>
#include <thread>

class CConsoleDlg;
class QTimer;
class QWidget;

// Test hooks, off unless the environment has KORVEX_TEST_HOOKS=1: a driver program steers the
// running console through its standard input, one command a line, and reads one answer line per
// command on its standard output ("ok [value]", "timeout <last value>" or "error <reason>"). It
// works wherever a child's standard handles are pipes, a Windows program under Wine included.
// Controls are named SCOPE/NAME: SCOPE is "window" (the port and address rows), "multiview" or a
// page's template number ("176" is VIDEO), NAME the control's object name within that scope.
//
//   click SCOPE/NAME          presses a button (a radio button is chosen so too)
//   choose SCOPE/NAME INDEX   chooses an entry of a list, as the operator does
//   value SCOPE/NAME          the control's text; "checked"/"unchecked" for a check or radio button
//   wait SCOPE/NAME TEXT      answers once value is TEXT, or "timeout" after a minute
//   messages                  the message boxes so far (recorded, never shown), joined by " | "
//   quit                      closes the window; so does the end of the input
class TestHooks : public QObject {
public:
    // The hooks on this window when the environment asks for them, else null.
    static std::unique_ptr<TestHooks> startIfEnabled(CConsoleDlg &console);

    explicit TestHooks(CConsoleDlg &console);
    ~TestHooks() override;

private:
    void handle(const QString &line);
    QWidget *find(const QString &path, QString &error) const;
    void answer(const QString &text);
    void checkWait();

    CConsoleDlg &m_console;
    ui::MessageCapture m_messages;
    QTimer *m_waitTimer = nullptr;
    QString m_waitPath;
    QString m_waitText;
    int m_waitTicks = 0;

    // The reader thread posts lines to this object while `m_alive` holds, under the lock; the
    // object turns it off before it goes. A reader still blocked in a read then stays detached.
    struct Shared {
        std::mutex lock;
        bool alive = true;
    };
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
    std::thread m_reader;
};
