// libFuzzer target for the receive path as the console window sees it: arbitrary bytes from the line
// go through the window's device session (line assembly, reply decoding) to every page, panel and
// dialog that applies replies (offscreen, message boxes captured), with the EDID capture armed or
// not. The first byte of an input chooses the setup; the rest arrives in chunks as a transport hands
// them over (the second byte sets the chunk size), so split points vary too.

#include "app/CConsoleDlg.h"
#include "session/MemoryTransport.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <memory>

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
    // The line is in memory: the window's session reads what the fuzzer feeds it.
    g_console->session().setTransport(std::make_unique<session::MemoryTransport>());
    g_console->session().open();
    g_console->session().setPortOn(true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 2)
        return 0;
    CConsoleDlg &console = *g_console;
    fuzzsetup::prepare(console, data[0]);
    const std::size_t chunk = std::size_t{1} + data[1];
    for (std::size_t at = 2; at < size; at += chunk)
        console.session().receive(data + at, std::min(chunk, size - at));
    fuzzsetup::finish(console);
    g_messages->clear();
    return 0;
}
