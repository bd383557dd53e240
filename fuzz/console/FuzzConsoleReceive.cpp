// libFuzzer target for the receive path as the console window sees it: arbitrary bytes from the line
// go through the window's device session (line assembly, reply decoding) to every page, the
// multiview panel and the address dialog (offscreen, never shown, message boxes captured), with the
// EDID capture armed or not and the address dialog open or not.
//
// Input layout: byte 0 is the setup (bit 7: a capture waits for a dump, read from the port the low
// five bits choose, 0..17; bits 5-6: the address list entry, 0..3); byte 1 bit 7 opens the address
// dialog, its low seven bits give the chunk size (1..128) in which the rest arrives, as a transport
// hands bytes over, so split points vary too.
//
// One window serves every input (building one takes far longer than an input). Between inputs the
// window is brought back to what a line that was closed and opened again leaves: no unfinished line,
// no capture waiting, no capture files, an empty traffic record and nothing written; the pages keep
// the device state the last input reported, as they would on a real line.
//
// Leaks are checked once, when the run ends, not after every input: a page field one input sets and
// the next replaces looks like growth to libFuzzer's per-input count of allocations, and each of
// those checks runs the input again and scans the whole heap (a fifth of the speed). Memory that is
// no longer reachable is still reported at the end, with where it was allocated.

#include "app/CConsoleDlg.h"
#include "app/PageTable.h"
#include "pages/address/CAddressDlg.h"
#include "pages/edid/CEdidPage.h"
#include "pages/traffic/CTrafficDlg.h"
#include "session/MemoryTransport.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

struct Harness {
    CConsoleDlg *console = nullptr;
    session::MemoryTransport *line = nullptr;
    QComboBox *addressList = nullptr;
    QComboBox *readPort = nullptr;
    QPushButton *read = nullptr;
    CAddressDlg *addressDialog = nullptr;
    QPushButton *clearTraffic = nullptr;
    ui::MessageCapture *messages = nullptr;
    QTemporaryDir *folder = nullptr;
};

Harness g;

void choose(QComboBox *list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
}

// The console writes its files (and EDID captures, each synced to disk) in its current folder: one
// in memory when the machine has one, so that a capture costs no disk write.
QTemporaryDir *makeWorkFolder() {
    const QString shm = QStringLiteral("/dev/shm");
    if (QFileInfo(shm).isDir() && QFileInfo(shm).isWritable()) {
        auto *folder = new QTemporaryDir(shm + QStringLiteral("/korvex-fuzz-XXXXXX"));
        if (folder->isValid())
            return folder;
        delete folder;
    }
    return new QTemporaryDir;
}

// Captured EDID files: their names count up from what the folder holds, so the next input would
// otherwise depend on how many captures came before.
void removeCaptures() {
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(g.folder->path().toStdString(), ec))
        if (entry.path().extension() == ".bin" || entry.path().extension() == ".tmp")
            std::filesystem::remove(entry.path(), ec);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    // -detect_leaks=0 goes first, so that one given on the command line still wins.
    static std::vector<char *> args;
    static char noLeakCheckPerInput[] = "-detect_leaks=0";
    args.assign(*argv, *argv + *argc);
    args.insert(args.begin() + 1, noLeakCheckPerInput);
    args.push_back(nullptr);
    *argc += 1;
    *argv = args.data();

    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv);
    // Nothing reads the controls through accessibility: no interface is made on every text change.
    QAccessible::setActive(false);
    g.folder = makeWorkFolder();
    QDir::setCurrent(g.folder->path());
    std::atexit([] { delete g.folder; }); // the folder goes with the process (not after a crash)
    g.messages = new ui::MessageCapture;

    g.console = new CConsoleDlg;
    auto line = std::make_unique<session::MemoryTransport>();
    g.line = line.get();
    g.console->session().setTransport(std::move(line));
    g.console->session().open();
    g.console->session().setPortOn(true);

    // Every page, the panel and the dialogs with their controls built now, not by the first input.
    for (const PageEntry &entry : pageTable())
        g.console->page(entry.templateNumber);
    g.addressList = ui::control<QComboBox>(g.console, CConsoleDlg::IDC_ADDRESS_LIST);
    auto *edid = g.console->findPage<CEdidPage>();
    g.readPort = ui::control<QComboBox>(edid, CEdidPage::IDC_READ_PORT);
    g.read = ui::control<QPushButton>(edid, CEdidPage::IDC_READ);
    g.addressDialog = g.console->addressDialog();
    // Open means visible to the dialog; it is never put on screen and never painted.
    g.addressDialog->setAttribute(Qt::WA_DontShowOnScreen);
    g.addressDialog->setUpdatesEnabled(false);
    g.console->trafficDialog()->shownText(); // builds the traffic view and its Clear button
    g.clearTraffic = g.console->trafficDialog()->findChild<QPushButton *>(QStringLiteral("Clear"));
    if (!g.addressList || !g.readPort || !g.read || !g.clearTraffic)
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::uint8_t setup = data[0];
    const bool captureArmed = (setup & 0x80) != 0;
    choose(g.addressList, (setup >> 5) & 3);
    if (captureArmed) {
        choose(g.readPort, (setup & 0x1F) % 18);
        g.read->click();
    }
    const bool dialogOpen = (data[1] & 0x80) != 0;
    if (g.addressDialog->isVisible() != dialogOpen)
        g.addressDialog->setVisible(dialogOpen);

    session::DeviceSession &session = g.console->session();
    const std::size_t chunk = std::size_t{1} + (data[1] & 0x7F);
    for (std::size_t at = 2; at < size; at += chunk)
        session.receive(data + at, std::min(chunk, size - at));

    // The line closes and opens again: its unfinished line goes and every page hears of it (a capture
    // still waiting gives up).
    session.close();
    session.open();
    if (captureArmed)
        removeCaptures();
    g.line->written.clear();
    g.clearTraffic->click();
    g.messages->clear();
    // What the event loop would deliver between two reads (queued signals, layout and update
    // requests): without it they pile up input after input.
    QCoreApplication::sendPostedEvents();
    return 0;
}
