// libFuzzer target for the receive path as the console window sees it: arbitrary bytes from the
// serial line go through the window's line assembly, reply decoding and every page, panel and dialog
// that applies replies (offscreen, message boxes captured), with the EDID capture armed or not. The
// first byte of an input chooses the setup, the rest is the line's byte stream.

#include "app/CConsoleDlg.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzConsoleSetup.h"

namespace {

QApplication *g_app = nullptr;
QTemporaryDir *g_folder = nullptr;
ui::MessageCapture *g_messages = nullptr;
CConsoleDlg *g_console = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_app = new QApplication(*argc, *argv);
    // The console reads and writes its files in the current folder: give it one of its own.
    g_folder = new QTemporaryDir;
    QDir::setCurrent(g_folder->path());
    g_messages = new ui::MessageCapture;
    // One window for every input (building one per input would leave the fuzzer a few runs a
    // second); each input ends its last line and any capture, so the next starts from a clean line.
    g_console = new CConsoleDlg;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1)
        return 0;
    CConsoleDlg &console = *g_console;
    fuzzsetup::prepare(console, data[0]);
    for (std::size_t i = 1; i < size; ++i)
        console.OnLinkChar(data[i], 1);
    fuzzsetup::finish(console);
    g_messages->clear();
    return 0;
}
