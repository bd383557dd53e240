// The console against a misbehaving line: floods without line ends, garbage between replies.
#include "ConsoleFixture.h"

#include "pages/multiview/CMultiviewPanel.h"
#include "pages/video/CVideoPage.h"

#include <QTimer>

using FaultE2E = ConsoleFixture;

TEST_F(FaultE2E, FloodWithoutLineEndsStaysBoundedAndResponsive) {
    startSim(1, {"--flood"});
    click(CConsoleDlg::IDC_PORT_BUTTON);
    ASSERT_TRUE(console().portOn());
    choose(CConsoleDlg::IDC_ADDRESS_LIST, 0); // the first command starts the flood

    int ticks = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] { ++ticks; });
    beat.start(10);
    std::size_t longest = 0;
    const auto start = console().linkCounters();
    ASSERT_TRUE(testsupport::waitFor(
        [&] {
            longest = std::max(longest, console().pendingLineLength());
            return console().linkCounters().bytes > start.bytes + 200000 && ticks > 10;
        },
        60000));
    EXPECT_LE(longest, 4096u);
    EXPECT_TRUE(console().portOn());

    click(CConsoleDlg::IDC_PORT_BUTTON); // closing in the middle of it returns
    EXPECT_FALSE(console().portOn());
    EXPECT_TRUE(m_messages->messages().isEmpty());
}

TEST_F(FaultE2E, GarbageBetweenRepliesDoesNotStopTheConsole) {
    writeAddressTable({1});
    testsupport::SimProcess &sim = startSim(1, {"--garbage", "64", "--seed", "7"});
    click(CConsoleDlg::IDC_PORT_BUTTON);
    choose(CConsoleDlg::IDC_ADDRESS_LIST, 1);
    choose(CConsoleDlg::IDC_ADDRESS_LIST, 1);
    ASSERT_TRUE(testsupport::waitFor([&] { return console().linkCounters().lines > 100; }));
    // A reply after garbage still lands: junk before a keyword does not hide it.
    ASSERT_TRUE(sim.inject("A01 SET OUT3 VS IN7 "));
    EXPECT_TRUE(
        testsupport::waitFor([&] { return console().findPage<CVideoPage>()->outputSelection(3) == 6; }));
    EXPECT_TRUE(console().portOn());
    EXPECT_EQ(portCaption(), "Close Port");
    EXPECT_TRUE(m_messages->messages().isEmpty());
}
