// The line traffic window against korvex-sim: what goes over the line shows up line by line, in
// order, as text or hexadecimal, and "Save as..." writes what is shown.
#include "ConsoleFixture.h"

#include "pages/ipconfig/CIpConfigPage.h"
#include "pages/traffic/CTrafficDlg.h"
#include "ui/FileDialog.h"

#include <QPushButton>

using TrafficE2E = ConsoleFixture;

TEST_F(TrafficE2E, StatusBurstFrameAndSaveAs) {
    writeAddressTable({1});
    startSim(1);
    click(CConsoleDlg::IDC_PORT_BUTTON);
    console().showTraffic();
    CTrafficDlg &traffic = *console().trafficDialog();
    ASSERT_TRUE(traffic.isVisible());

    choose(CConsoleDlg::IDC_ADDRESS_LIST, 1); // "A01 GET STA": 77 lines come back
    ASSERT_TRUE(testsupport::waitFor([&] { return traffic.log().entries().size() >= 78; }));
    const auto &entries = traffic.log().entries();
    EXPECT_EQ(entries.front().direction, session::TrafficLog::Direction::Sent);
    EXPECT_EQ(entries.front().bytes, "\r\nA01 GET STA\r\n");
    // The received lines are the simulator's, in order: routing first, then the rest of the burst.
    std::string burst;
    for (std::size_t i = 1; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].direction, session::TrafficLog::Direction::Received) << i;
        EXPECT_EQ(entries[i].bytes.back(), '\n') << i;
        burst += entries[i].bytes;
    }
    EXPECT_EQ(entries[1].bytes.rfind("OUT1 VS IN", 0), 0u) << entries[1].bytes;
    EXPECT_EQ(burst.size(), 1336u);
    const QStringList shown = traffic.shownText().split('\n');
    EXPECT_EQ(shown.size(), static_cast<int>(entries.size()));
    EXPECT_TRUE(shown[1].contains("<< OUT1 VS IN1"));

    // A command frame, shown in hexadecimal.
    ui::control<QPushButton>(console().findPage<CIpConfigPage>(), CIpConfigPage::IDC_RESET)->click();
    ASSERT_TRUE(testsupport::waitFor([&] { return logHas(1, "FRAME"); }));
    traffic.setHex(true);
    EXPECT_TRUE(traffic.shownText().contains(">> AA 06 00 05 00 00 01 02 78 D0"));

    ui::FileDialogOverride chooser(
        [](const QString &, const QString &) { return QStringLiteral("traffic.txt"); });
    traffic.saveAs();
    EXPECT_EQ(QString::fromStdString(testsupport::readFile("traffic.txt")), traffic.shownText() + "\n");
    EXPECT_TRUE(m_messages->messages().isEmpty());
}
