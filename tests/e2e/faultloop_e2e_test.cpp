// The console against a line that fails again and again: unplugged in the middle of a status burst,
// garbage and floods while the operator works, slow and silent devices during a search, closing
// during a flood. Each loop runs under a watchdog, so a deadlock fails at once instead of hanging.
#include "ConsoleFixture.h"

#include "pages/multiview/CMultiviewPanel.h"
#include "pages/video/CVideoPage.h"

#include "Watchdog.h"
#include "serial_pty.h"

#include <QRadioButton>
#include <QTimer>
#include <random>

using namespace std::chrono_literals;

class FaultLoop : public ConsoleFixture {
protected:
    // Counts the ticks of a 10 ms timer: proof that the window's event loop keeps running.
    struct Heartbeat {
        Heartbeat() {
            QObject::connect(&timer, &QTimer::timeout, [this] { ++ticks; });
            timer.start(10);
        }
        QTimer timer;
        int ticks = 0;
    };

    void clickVideoRadio(int row, int column) {
        auto *r =
            ui::control<QRadioButton>(console().findPage<CVideoPage>(), CVideoPage::radioId(row, column));
        QTest::mouseClick(r, Qt::LeftButton, {}, QPoint(6, r->height() / 2));
    }
};

// A whole "GET STA" burst is 1,336 bytes; the line dies at a random byte of it, a hundred times.
TEST_F(FaultLoop, HangUpAtARandomByteOfAStatusBurst) {
    testsupport::Watchdog watchdog("hang-up loop", 300s);
    writeAddressTable({1});
    console();
    // Counted after the first round: the port keeps its two wake-up descriptors from its first open
    // on, and Qt starts helper threads on first use. What matters is that rounds add nothing.
    std::size_t fdsBefore = 0, threadsBefore = 0;
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> byte(1, 1336);
    for (int round = 0; round < 100; ++round) {
        const int cut = byte(random);
        m_sims.clear();
        startSim(1, {"--hangup-at-byte", std::to_string(cut)});
        click(CConsoleDlg::IDC_PORT_BUTTON);
        ASSERT_TRUE(console().portOn()) << "round " << round;
        choose(CConsoleDlg::IDC_ADDRESS_LIST, 1);
        ASSERT_TRUE(testsupport::waitFor([&] { return portCaption() == "Open port"; }, 20000))
            << "round " << round << ", cut at byte " << cut;
        EXPECT_FALSE(console().portOn());
        if (round == 0) {
            m_sims.clear();
            fdsBefore = serialtest::openFdCount();
            threadsBefore = serialtest::threadCount();
        }
    }
    m_sims.clear();
    EXPECT_TRUE(m_messages->messages().isEmpty());
    EXPECT_EQ(serialtest::openFdCount(), fdsBefore);
    EXPECT_EQ(serialtest::threadCount(), threadsBefore);
}

// Garbage after every reply, then a flood without line ends, while the operator keeps clicking:
// the event loop keeps ticking and the console stays on. (How long a tick may wait is measured by
// the responsiveness benchmark, not asserted here.)
TEST_F(FaultLoop, GarbageAndFloodsWhileTheOperatorClicks) {
    testsupport::Watchdog watchdog("garbage and flood", 300s);
    writeAddressTable({1});
    for (const std::vector<std::string> &fault :
         {std::vector<std::string>{"--garbage", "200", "--seed", "3"}, std::vector<std::string>{"--flood"}}) {
        m_sims.clear();
        m_console.reset();
        startSim(1, fault);
        click(CConsoleDlg::IDC_PORT_BUTTON);
        ASSERT_TRUE(console().portOn());
        Heartbeat beat;
        const auto start = console().linkCounters();
        for (int click = 0; click < 200; ++click) {
            switch (click % 4) {
            case 0:
                clickVideoRadio(click % 9, (click / 4) % 10);
                break;
            case 1:
                choose(CConsoleDlg::IDC_ADDRESS_LIST, 1);
                break;
            case 2:
                QTest::mouseClick(
                    ui::control<QPushButton>(console().multiview(), CMultiviewPanel::IDC_MV_BUTTON),
                    Qt::LeftButton);
                break;
            default:
                QCoreApplication::processEvents();
                break;
            }
        }
        const int ticksBefore = beat.ticks;
        ASSERT_TRUE(testsupport::waitFor(
            [&] {
                return beat.ticks > ticksBefore + 20 && console().linkCounters().bytes > start.bytes + 50000;
            },
            60000))
            << fault.front();
        EXPECT_TRUE(console().portOn()) << fault.front();
        EXPECT_LE(console().pendingLineLength(), 4096u);
    }
    EXPECT_TRUE(m_messages->messages().isEmpty());
}

// A device that answers only after the search period has passed is not waited for: its port is
// closed and the search goes on to the next one, which answers in time.
TEST_F(FaultLoop, SearchPassesASlowAndASilentDevice) {
    testsupport::Watchdog watchdog("search past slow devices", 120s);
    startSim(1, {"--delay", "900"});
    startSim(2, {"--silent"});
    startSim(4);
    click(CConsoleDlg::IDC_SEARCH);
    ASSERT_TRUE(testsupport::waitFor([&] { return !console().searchInProgress(); }, 30000));
    EXPECT_TRUE(console().portOn());
    EXPECT_EQ(console().portNumber(), 4u);
    EXPECT_EQ(combo(CConsoleDlg::IDC_PORT_LIST)->currentText(), "COM4");
    EXPECT_TRUE(m_messages->messages().isEmpty());

    // Only the slow device on the line: the search ends with the message, not with a late answer.
    m_console.reset();
    m_sims.clear();
    startSim(1, {"--delay", "900"});
    click(CConsoleDlg::IDC_SEARCH);
    ASSERT_TRUE(testsupport::waitFor([&] { return !m_messages->messages().isEmpty(); }, 30000));
    EXPECT_EQ(m_messages->messages(), QStringList{"Can not find available device for this console!"});
    EXPECT_FALSE(console().portOn());
}

TEST_F(FaultLoop, ClosePortWhileAFloodIsDelivered) {
    testsupport::Watchdog watchdog("close during flood", 300s);
    startSim(1, {"--flood"});
    console();
    std::size_t fdsBefore = 0, threadsBefore = 0; // after the first round, as above
    for (int round = 0; round < 1000; ++round) {
        click(CConsoleDlg::IDC_PORT_BUTTON);
        ASSERT_TRUE(console().portOn()) << "round " << round;
        const auto before = console().linkCounters().bytes;
        if (round == 0)
            choose(CConsoleDlg::IDC_ADDRESS_LIST, 0); // the first command starts the flood
        ASSERT_TRUE(testsupport::waitFor([&] { return console().linkCounters().bytes > before; }, 20000))
            << "round " << round;
        click(CConsoleDlg::IDC_PORT_BUTTON);
        ASSERT_FALSE(console().portOn()) << "round " << round;
        if (round == 0) {
            fdsBefore = serialtest::openFdCount();
            threadsBefore = serialtest::threadCount();
        }
    }
    EXPECT_EQ(serialtest::openFdCount(), fdsBefore) << serialtest::threadsAndFiles();
    EXPECT_EQ(serialtest::threadCount(), threadsBefore) << serialtest::threadsAndFiles();
    EXPECT_TRUE(m_messages->messages().isEmpty());
}
