#include "app/CConsoleApp.h"

#include "app/CConsoleDlg.h"

CConsoleApp::CConsoleApp(int &argc, char **argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Korvex"));
    setApplicationVersion(QStringLiteral("2.0"));
}

int CConsoleApp::InitInstance() {
    // The window lives exactly as long as its modal run; no message loop follows it.
    CConsoleDlg dlg;
    dlg.exec();
    return 0;
}
