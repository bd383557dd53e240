#include <QApplication>
#include <gtest/gtest.h>

#include "WaitFor.h"

// Widget tests need one QApplication for the whole run; the platform comes from QT_QPA_PLATFORM
// (offscreen under CTest). Waits process its events.
int main(int argc, char **argv) {
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    testsupport::setWaitIdleStep([] {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    });
    return RUN_ALL_TESTS();
}
