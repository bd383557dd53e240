#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "WaitFor.h"

// Widget tests need one QApplication for the whole run; the platform comes from QT_QPA_PLATFORM
// (offscreen under CTest). Waits process its events.
int main(int argc, char **argv) {
    testing::InitGoogleTest(&argc, argv);
    // The user's settings (QSettings) of a test run live in a folder of its own.
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    QApplication app(argc, argv);
    testsupport::setWaitIdleStep([] {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    });
    return RUN_ALL_TESTS();
}
