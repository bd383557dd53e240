#include "app/CConsoleApp.h"

int main(int argc, char **argv) {
    CConsoleApp app(argc, argv);
    return app.InitInstance();
}
