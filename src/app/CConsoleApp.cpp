#include "app/CConsoleApp.h"

#include "app/CConsoleDlg.h"
#include "app/TestHooks.h"
#include "res/Version.h"

CConsoleApp::CConsoleApp(int &argc, char **argv) : QApplication(argc, argv) {
    setOrganizationName(QStringLiteral("Korvex"));
    setApplicationName(QStringLiteral("Korvex"));
    setApplicationVersion(QStringLiteral(KORVEX_VERSION));
}

int CConsoleApp::initInstance(const QString &connectHost, unsigned connectPort) {
    // The window lives exactly as long as its modal run; no message loop follows it.
    CConsoleDlg dlg;
    if (!connectHost.isEmpty())
        dlg.portControl().connectNetwork(connectHost, connectPort);
    const std::unique_ptr<TestHooks> hooks = TestHooks::startIfEnabled(dlg);
    dlg.exec();
    return 0;
}
