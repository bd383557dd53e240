// The console window at start-up: its controls, pages, address list and the address table file.
#include "app/CConsoleDlg.h"
#include "app/PageTable.h"
#include "pages/address/CAddressDlg.h"
#include "pages/base/CConsolePage.h"
#include "pages/multiview/CMultiviewPanel.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"

#include "TempDir.h"
#include "WaitFor.h"
#include "serial/PortNaming.h"
#include "serial/SerialDevice.h"
#include "ui/Exchange.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include "serial_pty.h"
#endif

using testsupport::ScopedTempCwd;

namespace {

std::string defaultAddressFile() {
    std::string s;
    for (int i = 0; i < 32; ++i)
        s += "00 ";
    s += "\r\n";
    for (int i = 0; i < 32; ++i)
        s += "* \r\n";
    return s;
}

QStringList comboTexts(QComboBox *combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

} // namespace

TEST(ConsoleWindow, FreshStartWritesDefaultAddressFileAndListsEntries) {
    ScopedTempCwd cwd;
    ui::MessageCapture messages;
    CConsoleDlg dlg;

    EXPECT_TRUE(messages.messages().isEmpty()) << messages.messages().join("|").toStdString();
    const std::string file = testsupport::readFile("KorvexAddrMG.ini");
    EXPECT_EQ(file.size(), 226u);
    EXPECT_EQ(file, defaultAddressFile());
    // The VIDEO WALL page writes the default presets while it is created.
    EXPECT_EQ(testsupport::readFile("KorvexVW.ini").size(), 35938u);

    auto *list = ui::control<QComboBox>(&dlg, CConsoleDlg::IDC_ADDRESS_LIST);
    ASSERT_NE(list, nullptr);
    const QStringList texts = comboTexts(list);
    ASSERT_EQ(texts.size(), 33);
    EXPECT_EQ(texts[0], "All: 00(all devices)");
    EXPECT_EQ(texts[1], "No. 1:00:  ");
    EXPECT_EQ(texts[9], "No. 9:00:  ");
    EXPECT_EQ(texts[10], "No.10:00:  ");
    EXPECT_EQ(texts[32], "No.32:00:  ");
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(dlg.deviceByte(), 0);
}

TEST(ConsoleWindow, SavedAddressFileFillsTheList) {
    ScopedTempCwd cwd;
    std::string content = "05 12 99 ";
    for (int i = 3; i < 32; ++i)
        content += "00 ";
    content += "\r\n*Projector\r\n*Exactly10!\r\n*FourteenChars!\r\n";
    for (int i = 3; i < 32; ++i)
        content += "* \r\n";
    testsupport::writeFile("KorvexAddrMG.ini", content);

    ui::MessageCapture messages;
    CConsoleDlg dlg;
    EXPECT_TRUE(messages.messages().isEmpty());
    auto *list = ui::control<QComboBox>(&dlg, CConsoleDlg::IDC_ADDRESS_LIST);
    EXPECT_EQ(list->itemText(1), "No. 1:05: Projector");
    EXPECT_EQ(list->itemText(2), "No. 2:12: Exactly10!");
    EXPECT_EQ(list->itemText(3), "No. 3:99: FourteenCh");
    EXPECT_EQ(list->itemText(4), "No. 4:00:  ");
    // The file is only read at start-up, never rewritten.
    EXPECT_EQ(testsupport::readFile("KorvexAddrMG.ini"), content);

    // Choosing an entry sets the device byte from the table; "All" goes back to 0.
    list->setCurrentIndex(2);
    emit list->activated(2);
    EXPECT_EQ(dlg.deviceByte(), 12);
    list->setCurrentIndex(0);
    emit list->activated(0);
    EXPECT_EQ(dlg.deviceByte(), 0);
}

TEST(ConsoleWindow, UnreadableAddressFileIsReportedAndStartUpGoesOn) {
    ScopedTempCwd cwd;
    std::filesystem::create_directory("KorvexAddrMG.ini"); // exists, but cannot be read as a file
    ui::MessageCapture messages;
    CConsoleDlg dlg;
    EXPECT_EQ(messages.messages(), QStringList{"File read failed"});
    auto *list = ui::control<QComboBox>(&dlg, CConsoleDlg::IDC_ADDRESS_LIST);
    ASSERT_EQ(list->count(), 33);
    EXPECT_TRUE(list->itemText(1).startsWith("No. 1:00: "));
}

TEST(ConsoleWindow, LayoutFileFailureIsShownBeforeTheAddressTable) {
    ScopedTempCwd cwd;
    std::filesystem::create_directory("KorvexVW.ini");
    std::filesystem::create_directory("KorvexAddrMG.ini");
    ui::MessageCapture messages;
    CConsoleDlg dlg;
    EXPECT_EQ(messages.messages(), (QStringList{"File read failed", "File read failed"}));
}

TEST(ConsoleWindow, ControlsTabsAndPages) {
    ScopedTempCwd cwd;
    CConsoleDlg dlg;
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "Korvex  V2.0");

    auto *ports = ui::control<QComboBox>(&dlg, CConsoleDlg::IDC_PORT_LIST);
    ASSERT_EQ(ports->count(), 100);
    EXPECT_EQ(ports->itemText(0), "COM1");
    EXPECT_EQ(ports->itemText(98), "COM99");
    EXPECT_EQ(ports->itemText(99), "Network...");
    EXPECT_EQ(ports->currentText(), "COM1");
#ifndef _WIN32
    // Without a COM1 link here the port resolves to the system device table.
    EXPECT_EQ(dlg.portPathText(), "/dev/ttyS0");
    std::filesystem::create_symlink("/dev/null", "COM1");
    EXPECT_EQ(dlg.portPathText(), QString::fromStdString(cwd.file("COM1")) + " -> /dev/null");
#endif
    EXPECT_EQ(ui::control<QPushButton>(&dlg, CConsoleDlg::IDC_PORT_BUTTON)->text(), "Turn on Port");
    EXPECT_EQ(ui::control<QPushButton>(&dlg, CConsoleDlg::IDC_SEARCH)->text(), "Search Machine");
    EXPECT_EQ(ui::control<QPushButton>(&dlg, CConsoleDlg::IDC_ADDRESS_BUTTON)->text(), "Address Management");
    EXPECT_EQ(ui::control<QPushButton>(dlg.multiview(), CMultiviewPanel::IDC_MV_BUTTON)->text(),
              "Change to 2x2");
    EXPECT_EQ(ui::control<QLabel>(&dlg, CConsoleDlg::IDC_STATUS)->text(), " ");

    auto *audioOut = ui::control<QComboBox>(dlg.multiview(), CMultiviewPanel::IDC_AUDIO_OUTPUT);
    auto *audioIn = ui::control<QComboBox>(dlg.multiview(), CMultiviewPanel::IDC_AUDIO_INPUT);
    EXPECT_EQ(comboTexts(audioOut).first(), "0. All");
    EXPECT_EQ(comboTexts(audioOut).last(), "9. Out9");
    EXPECT_EQ(comboTexts(audioIn).last(), "10.Mute");
    EXPECT_EQ(audioOut->currentIndex(), -1);
    EXPECT_EQ(audioIn->currentIndex(), -1);

    auto *tab = ui::control<QTabWidget>(&dlg, CConsoleDlg::IDC_TAB);
    ASSERT_EQ(tab->count(), 5);
    const QStringList titles{"VIDEO", "VIDEO WALL", "EDID MANAGEMENT", "IP CONFIG", "SETTING"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(tab->tabText(i), titles[i]);

    auto visiblePages = [&] {
        QStringList names;
        for (const PageEntry &entry : pageTable())
            if (dlg.page(entry.templateNumber)->isVisible())
                names << QString::number(entry.templateNumber);
        return names;
    };
    EXPECT_EQ(visiblePages(), QStringList{"176"});
    const QStringList expected{"176", "183", "180", "195", "182"};
    for (int i : {3, 1, 4, 2, 0}) {
        tab->setCurrentIndex(i);
        EXPECT_EQ(visiblePages(), QStringList{expected[i]});
    }
}

TEST(ConsoleWindow, EnterAndEscapeEndTheRun) {
    ScopedTempCwd cwd;
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Enter), int(Qt::Key_Escape)}) {
        CConsoleDlg dlg;
        int result = -1;
        QTimer::singleShot(0, &dlg, [&] { QTest::keyClick(&dlg, Qt::Key(key)); });
        QTimer::singleShot(20000, &dlg, [&] { dlg.done(99); }); // a failure must not hang the run
        result = dlg.exec();
        EXPECT_NE(result, 99) << "key " << key << " did not end the modal run";
    }
}

// The About box is modal: a timer looks for it while it runs and closes it.
class ModalWatcher {
public:
    explicit ModalWatcher(QObject *context) {
        QObject::connect(&m_poll, &QTimer::timeout, context, [this] {
            if (auto *about = qobject_cast<QDialog *>(QApplication::activeModalWidget());
                about && about->objectName() == "aboutBox") {
                seen = about->windowTitle();
                about->accept();
            }
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                for (QAction *a : menu->actions())
                    if (!a->isSeparator())
                        menuEntries << a->text();
                if (!menu->actions().isEmpty()) {
                    menu->setActiveAction(menu->actions().last());
                    QTest::keyClick(menu, Qt::Key_Return);
                } else {
                    menu->close();
                }
            }
        });
        m_poll.start(5);
    }
    QString seen;
    QStringList menuEntries;

private:
    QTimer m_poll;
};

TEST(ConsoleWindow, AboutBoxFromF1AndFromTheWindowMenu) {
    ScopedTempCwd cwd;
    CConsoleDlg dlg;
    dlg.show();
    {
        ModalWatcher watcher(&dlg);
        QTimer::singleShot(0, &dlg, [&] { QTest::keyClick(&dlg, Qt::Key_F1); });
        EXPECT_TRUE(testsupport::waitFor([&] { return !watcher.seen.isEmpty(); }));
        EXPECT_EQ(watcher.seen, "About Korvex");
    }
    {
        ModalWatcher watcher(&dlg);
        QTimer::singleShot(0, &dlg, [&] {
            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), dlg.mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(&dlg, &event);
        });
        EXPECT_TRUE(testsupport::waitFor([&] { return !watcher.seen.isEmpty(); }));
        EXPECT_EQ(watcher.menuEntries,
                  (QStringList{"Line traffic...", "Reconnect automatically", "&About DravikCONSOLE..."}))
            << watcher.menuEntries.join("|").toStdString();
    }
}

// Pseudo-terminals and COMn links in the current folder are POSIX; on Windows the ports are the
// system's own COMn (tests/wine drives one).
#ifndef _WIN32

// ---- the window's own rules, with a pseudo-terminal playing the device --------------------------

class ConsoleOnPty : public ::testing::Test {
protected:
    void SetUp() override { serial::setDeviceTable(serial::emptyDeviceTable()); }
    void TearDown() override {
        m_dlg.reset();
        m_peer.reset();
        serial::setDeviceTable(serial::systemDeviceTable());
    }
    CConsoleDlg &start() {
        m_dlg = std::make_unique<CConsoleDlg>();
        m_dlg->show();
        return *m_dlg;
    }
    void turnOn() {
        m_peer = std::make_unique<serialtest::PtyPeer>(1);
        QTest::mouseClick(ui::control<QPushButton>(m_dlg.get(), CConsoleDlg::IDC_PORT_BUTTON),
                          Qt::LeftButton);
        ASSERT_TRUE(m_dlg->portOn());
    }
    // The next bytes on the line are exactly these; a marker the test sends itself proves that
    // nothing went out before it.
    std::string nextBytes(std::size_t n) {
        const auto bytes = m_peer->read(n);
        return std::string(bytes.begin(), bytes.end());
    }
    void expectNothingSent() {
        m_dlg->session().SendText("\r\nMARK\r\n");
        const std::string expected = "\r\nA" + twoDigits(m_dlg->deviceByte()) + " MARK\r\n";
        EXPECT_EQ(nextBytes(expected.size()), expected);
    }
    static std::string twoDigits(int v) { return std::string{char('0' + v / 10), char('0' + v % 10)}; }

    ScopedTempCwd m_cwd;
    ui::MessageCapture m_messages;
    std::unique_ptr<serialtest::PtyPeer> m_peer;
    std::unique_ptr<CConsoleDlg> m_dlg;
};

TEST_F(ConsoleOnPty, WheelOverAnUnfocusedListChangesNothingAndSendsNothing) {
    CConsoleDlg &dlg = start();
    turnOn();
    const std::vector<QComboBox *> lists{
        ui::control<QComboBox>(&dlg, CConsoleDlg::IDC_PORT_LIST),
        ui::control<QComboBox>(&dlg, CConsoleDlg::IDC_ADDRESS_LIST),
        ui::control<QComboBox>(dlg.multiview(), CMultiviewPanel::IDC_AUDIO_OUTPUT),
        ui::control<QComboBox>(dlg.multiview(), CMultiviewPanel::IDC_AUDIO_INPUT),
    };
    for (QComboBox *list : lists) {
        ASSERT_NE(list, nullptr);
        ASSERT_FALSE(list->hasFocus());
        const int before = list->currentIndex();
        for (int delta : {-120, 120}) {
            const QPointF at(list->width() / 2.0, list->height() / 2.0);
            QWheelEvent wheel(at, list->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(list, &wheel);
        }
        EXPECT_EQ(list->currentIndex(), before) << list->objectName().toStdString();
    }
    EXPECT_TRUE(dlg.portOn());
    EXPECT_TRUE(m_messages.messages().isEmpty());
    expectNothingSent();
}

TEST_F(ConsoleOnPty, AnAddressAboveNinetyNineIsRefusedNeverTruncated) {
    std::string content = "05 300 150 ";
    for (int i = 3; i < 32; ++i)
        content += "00 ";
    content += "\r\n";
    for (int i = 0; i < 32; ++i)
        content += "* \r\n";
    testsupport::writeFile("KorvexAddrMG.ini", content);
    CConsoleDlg &dlg = start();
    turnOn();
    auto *list = ui::control<QComboBox>(&dlg, CConsoleDlg::IDC_ADDRESS_LIST);

    list->setCurrentIndex(1);
    emit list->activated(1);
    EXPECT_EQ(nextBytes(11 + 4), "\r\nA05 GET STA\r\n");
    for (int entry : {2, 3}) {
        m_messages.clear();
        list->setCurrentIndex(entry);
        emit list->activated(entry);
        ASSERT_EQ(m_messages.messages().size(), 1);
        EXPECT_TRUE(m_messages.messages().first().contains(entry == 2 ? "300" : "150"));
        // The list goes back to the entry the device byte still belongs to.
        EXPECT_EQ(list->currentIndex(), 1);
        EXPECT_EQ(dlg.deviceByte(), 5);
    }
    expectNothingSent();
}

TEST_F(ConsoleOnPty, SearchSuccessClearsTheWaitTextAtOnce) {
    CConsoleDlg &dlg = start();
    m_peer = std::make_unique<serialtest::PtyPeer>(1);
    QTest::mouseClick(ui::control<QPushButton>(&dlg, CConsoleDlg::IDC_SEARCH), Qt::LeftButton);
    auto *status = ui::control<QLabel>(&dlg, CConsoleDlg::IDC_STATUS);
    ASSERT_EQ(status->text(), "Please wait.....");
    EXPECT_EQ(nextBytes(15), "\r\nA00 GET STA\r\n");
    ASSERT_TRUE(m_peer->write("NOTHING KNOWN\r\n")); // any line ends the search
    ASSERT_TRUE(testsupport::waitFor([&] { return !dlg.searchInProgress(); }));
    EXPECT_TRUE(dlg.portOn());
    EXPECT_EQ(status->text(), " ");
}

#endif // _WIN32

// Every page, the multiview panel and the address dialog bind only their own controls, although several
// identifiers repeat between them.
TEST(ConsoleWindow, EachExchangeBindsOnlyItsOwnControls) {
    ScopedTempCwd cwd;
    ui::MessageCapture messages;
    CConsoleDlg dlg;
    std::vector<std::pair<QWidget *, QWidget *>> bound;
    ui::Exchange::bindObserver() = [&](QWidget *dialog, QWidget *control) {
        bound.emplace_back(dialog, control);
    };
    std::vector<QWidget *> owners{dlg.multiview(), dlg.addressDialog()};
    for (const PageEntry &entry : pageTable())
        owners.push_back(dlg.page(entry.templateNumber));
    for (QWidget *owner : owners) {
        bound.clear();
        if (owner == dlg.multiview())
            dlg.multiview()->updateData(false);
        else if (owner == dlg.addressDialog())
            dlg.addressDialog()->updateData(false);
        else
            static_cast<CConsolePage *>(owner)->updateData(false);
        EXPECT_FALSE(bound.empty()) << owner->objectName().toStdString() << " binds nothing";
        for (const auto &[dialog, control] : bound) {
            // An exchange may be rooted at a group inside its owner (two "Device Address:" edits).
            EXPECT_TRUE(dialog == owner || owner->isAncestorOf(dialog));
            EXPECT_EQ(ui::scopeOf(control), owner)
                << control->objectName().toStdString() << " bound by " << owner->objectName().toStdString();
        }
    }
    ui::Exchange::bindObserver() = nullptr;
    // The repeated identifiers resolve to a different control in each owner.
    EXPECT_NE(ui::control<QWidget>(&dlg, CConsoleDlg::IDC_ADDRESS_LIST),
              ui::control<QWidget>(dlg.page(176), 1200));
    EXPECT_EQ(ui::control<QWidget>(&dlg, 1340), nullptr);
    EXPECT_NE(ui::control<QWidget>(dlg.multiview(), 1340), nullptr);
}

#ifndef _WIN32

TEST_F(ConsoleOnPty, PresentPortsAreMarkedAsTheirLinksComeAndGo) {
    CConsoleDlg &dlg = start();
    EXPECT_FALSE(dlg.portMarked(2));
    testsupport::writeFile("device3", "");
    std::filesystem::create_symlink("device3", "COM3");
    EXPECT_TRUE(testsupport::waitFor([&] { return dlg.portMarked(2); }));
    EXPECT_FALSE(dlg.portMarked(3));
    // A link whose device is gone counts as absent, and so does a removed link.
    std::filesystem::remove("device3");
    EXPECT_TRUE(testsupport::waitFor([&] { return !dlg.portMarked(2); }));
    testsupport::writeFile("device3", "");
    EXPECT_TRUE(testsupport::waitFor([&] { return dlg.portMarked(2); }));
    std::filesystem::remove("COM3");
    EXPECT_TRUE(testsupport::waitFor([&] { return !dlg.portMarked(2); }));
    auto *ports = ui::control<QComboBox>(&dlg, CConsoleDlg::IDC_PORT_LIST);
    EXPECT_EQ(ports->itemText(2), "COM3"); // the texts stay as they are
}

namespace {
// Open calls fail as they would for a user outside the dialout group, or for a port another program
// holds; root (as the tests run) opens any file, so the failure is injected.
int deniedOpen(const char *, int) {
    errno = EACCES;
    return -1;
}
int busyOpen(const char *, int) {
    errno = EBUSY;
    return -1;
}
} // namespace

TEST_F(ConsoleOnPty, APortThatDoesNotOpenSaysWhy) {
    CConsoleDlg &dlg = start();
    auto *status = ui::control<QLabel>(&dlg, CConsoleDlg::IDC_STATUS);
    struct Case {
        serial::SerialDevice::OpenCall call;
        bool link;
        QString reason;
    };
    const Case cases[] = {
        {nullptr, false, "COM1: no such device"},
        {&deniedOpen, true, "COM1: permission denied: add your user to the dialout group"},
        {&busyOpen, true, "COM1: in use by another program"},
    };
    testsupport::writeFile("not-a-tty", "");
    for (const Case &c : cases) {
        std::filesystem::remove("COM1");
        if (c.link)
            std::filesystem::create_symlink("not-a-tty", "COM1");
        serial::SerialDevice::setOpenCall(c.call);
        m_messages.clear();
        QTest::mouseClick(ui::control<QPushButton>(&dlg, CConsoleDlg::IDC_PORT_BUTTON), Qt::LeftButton);
        serial::SerialDevice::setOpenCall(nullptr);
        EXPECT_EQ(m_messages.messages(), QStringList{"Can not find this port or used by other application"});
        EXPECT_EQ(status->text(), c.reason);
        EXPECT_TRUE(dlg.portPathText().endsWith("\n" + c.reason)) << dlg.portPathText().toStdString();
    }
    // A port that opens clears it.
    std::filesystem::remove("COM1");
    turnOn();
    EXPECT_EQ(status->text(), " ");
    EXPECT_FALSE(dlg.portPathText().contains("\n"));
}

#endif // _WIN32
