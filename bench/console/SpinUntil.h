#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

// Runs the event loop until the condition holds; false after the deadline.
template <class F> bool spinUntil(F condition, qint64 deadlineMs = 10000) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > deadlineMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}
