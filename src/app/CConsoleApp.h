#pragma once

#include <QApplication>
#include <QString>

// The application object: creates the console window, runs it modally and ends when it closes.
class CConsoleApp : public QApplication {
    Q_OBJECT
public:
    CConsoleApp(int &argc, char **argv);
    // Runs the window; with a host it first connects to that LAN port (--connect).
    int initInstance(const QString &connectHost = QString(), unsigned connectPort = 0);
};
