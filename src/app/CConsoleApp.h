#pragma once

#include <QApplication>

// The application object: creates the console window, runs it modally and ends when it closes.
class CConsoleApp : public QApplication {
    Q_OBJECT
public:
    CConsoleApp(int &argc, char **argv);
    int InitInstance();
};
