// The SETTING and IP CONFIG pages against korvex-sim: every control changes the device, the device's
// status fills both pages, and the LAN reset frame brings back the device's defaults.
#include "ConsoleFixture.h"

#include "pages/ipconfig/CIpConfigPage.h"
#include "pages/setting/CSettingPage.h"
#include "ui/IpAddressEdit.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

#include <functional>

namespace {

using Setting = CSettingPage;
using IpConfig = CIpConfigPage;

class SettingE2E : public ConsoleFixture {
protected:
    void SetUp() override {
        ConsoleFixture::SetUp();
        writeAddressTable({1});
        startSim(1);
    }

    // Port on, device 01 chosen: its status fills the pages.
    void connectDevice() {
        click(CConsoleDlg::IDC_PORT_BUTTON);
        ASSERT_TRUE(console().PortOn());
        choose(CConsoleDlg::IDC_ADDRESS_LIST, 1);
        ASSERT_TRUE(testsupport::waitFor([&] { return ipEdit(IpConfig::IDC_TCP_PORT)->text() == "8000"; }));
    }

    // The operator works on the page the tab shows.
    void showPage(QWidget *page) {
        ui::control<QTabWidget>(&console(), CConsoleDlg::IDC_TAB)->setCurrentWidget(page);
    }
    Setting &setting() { return *console().findPage<Setting>(); }
    IpConfig &ipConfig() { return *console().findPage<IpConfig>(); }
    QAbstractButton *settingButton(int id) { return ui::control<QAbstractButton>(&setting(), id); }
    QComboBox *settingList(int id) { return ui::control<QComboBox>(&setting(), id); }
    QLineEdit *ipEdit(int id) { return ui::control<QLineEdit>(&ipConfig(), id); }
    ui::IpAddressEdit *ipBox(int id) { return ui::control<ui::IpAddressEdit>(&ipConfig(), id); }

    void clickButton(QAbstractButton *b) {
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }
    void chooseIn(QComboBox *list, int index) {
        list->setCurrentIndex(index);
        emit list->activated(index);
    }
    void typeAddress(int id, const QString &dotted) {
        ui::IpAddressEdit *box = ipBox(id);
        box->clear();
        const QStringList parts = dotted.split('.');
        for (int i = 0; i < 4; ++i)
            QTest::keyClicks(box->field(i), parts[i]);
    }
    void typeText(int id, const QString &text) {
        ipEdit(id)->clear();
        QTest::keyClicks(ipEdit(id), text);
    }

    QJsonObject device() { return testsupport::simDevice(testsupport::readSimState(stateFile(1)), 1); }
    QJsonArray simArray(const char *key) { return device()[key].toArray(); }
    QJsonObject simLan() { return device()["lan"].toObject(); }
    int simCommands() { return testsupport::readSimState(stateFile(1))["commands"].toInt(); }
    // The check states of a row of boxes, as the simulator stores flags.
    QJsonArray checks(int firstId, int count) {
        QJsonArray a;
        for (int i = 0; i < count; ++i)
            a.append(settingButton(firstId + i)->isChecked() ? 1 : 0);
        return a;
    }
    int listOf(int firstId, int output) { return settingList(firstId + output - 1)->currentIndex(); }
    std::vector<std::string> lines() { return testsupport::simLogEntries(logFile(1), "LINE"); }
};

// Each radio, list and check box of the SETTING page changes the device, and the page shows the
// device's answer.
TEST_F(SettingE2E, EverySettingControlChangesTheDevice) {
    ASSERT_NO_FATAL_FAILURE(connectDevice());
    showPage(&setting());
    for (int mode : {2, 0, 1}) {
        SCOPED_TRACE(mode);
        clickButton(settingButton(Setting::IDC_FOLLOW_INPUT + mode));
        EXPECT_TRUE(testsupport::waitFor([&] { return device()["audioMode"].toInt() == mode; }));
    }
    for (int output = 1; output <= 9; ++output) {
        SCOPED_TRACE(output);
        const int input = 9 - output; // 0-based: output 1 from In9 ... output 9 from In1
        chooseIn(settingList(Setting::IDC_AUDIO_ROUTE1 + output - 1), input);
        EXPECT_TRUE(
            testsupport::waitFor([&] { return simArray("audioRouting")[output - 1].toInt() == input; }));

        clickButton(settingButton(Setting::audioMuteId(output)));
        EXPECT_TRUE(testsupport::waitFor([&] { return simArray("audioMute")[output - 1].toInt() == 1; }));
        if (output % 2 == 0) {
            clickButton(settingButton(Setting::audioOnId(output)));
            EXPECT_TRUE(testsupport::waitFor([&] { return simArray("audioMute")[output - 1].toInt() == 0; }));
        }

        const int source = output % 4; // 0-based IRext
        chooseIn(settingList(Setting::IDC_IR_ROUTE1 + output - 1), source);
        EXPECT_TRUE(testsupport::waitFor([&] { return simArray("irRoute")[output - 1].toInt() == source; }));
    }
    // Each check box sends its whole row: the device ends up with exactly the row the page shows.
    struct Row {
        const char *key;
        int firstId;
        int count;
    };
    for (const Row &row :
         {Row{"irEmitter", Setting::IDC_IR_EMITTER1, 9}, Row{"rs232", Setting::IDC_RS232_OUT1, 9},
          Row{"irExtSwitch", Setting::IDC_HDBT1, 9}}) {
        for (int i = 0; i < row.count; ++i) {
            SCOPED_TRACE(row.firstId + i);
            QAbstractButton *box = settingButton(row.firstId + i);
            const bool before = box->isChecked();
            clickButton(box);
            ASSERT_NE(box->isChecked(), before);
            QJsonArray expected = checks(row.firstId, row.count);
            if (row.firstId == Setting::IDC_HDBT1)
                for (const QJsonValue &v : checks(Setting::IDC_IR_EXT1, 4))
                    expected.append(v);
            EXPECT_TRUE(testsupport::waitFor([&] { return simArray(row.key) == expected; }));
        }
    }
    for (int i = 0; i < 4; ++i) {
        clickButton(settingButton(Setting::IDC_IR_EXT1 + i));
        EXPECT_TRUE(testsupport::waitFor([&] { return simArray("irExtSwitch")[9 + i].toInt() == 1; }));
    }

    // "All from:" is one command for every output; the nine lists follow.
    const int commands = simCommands();
    chooseIn(settingList(Setting::IDC_IR_ROUTE_ALL), 2);
    EXPECT_TRUE(
        testsupport::waitFor([&] { return simArray("irRoute") == QJsonArray{2, 2, 2, 2, 2, 2, 2, 2, 2}; }));
    EXPECT_EQ(simCommands(), commands + 1);
    EXPECT_TRUE(logHas(1, "A01 SET IRT OUT0 IS IN3"));
    for (int output = 1; output <= 9; ++output)
        EXPECT_EQ(listOf(Setting::IDC_IR_ROUTE1, output), 2);

    // What the page shows is what the device holds.
    EXPECT_TRUE(testsupport::waitFor([&] {
        return checks(Setting::IDC_RS232_OUT1, 9) == simArray("rs232") &&
               checks(Setting::IDC_IR_EMITTER1, 9) == simArray("irEmitter") &&
               settingButton(Setting::audioMuteId(9))->isChecked() && settingButton(1340)->isChecked();
    }));
    EXPECT_TRUE(m_messages->messages().isEmpty());
}

// Save Setting changes the LAN settings with DHCP off and on; the service code adds the MAC.
TEST_F(SettingE2E, SaveSettingChangesTheDevice) {
    ASSERT_NO_FATAL_FAILURE(connectDevice());
    showPage(&ipConfig());
    typeAddress(IpConfig::IDC_HOST_IP, "10.0.0.7");
    typeAddress(IpConfig::IDC_NET_MASK, "255.255.0.0");
    typeAddress(IpConfig::IDC_ROUTER_IP, "10.0.0.1");
    typeText(IpConfig::IDC_TCP_PORT, "8081");
    clickButton(ui::control<QPushButton>(&ipConfig(), IpConfig::IDC_SAVE));
    EXPECT_TRUE(testsupport::waitFor([&] {
        const QJsonObject lan = simLan();
        return lan["dhcp"].toInt() == 0 && lan["host"] == "10.0.0.7" && lan["mask"] == "255.255.0.0" &&
               lan["router"] == "10.0.0.1" && lan["tcpPort"].toInt() == 8081;
    }));
    EXPECT_TRUE(logHas(1, "A01 SET RIP010.000.000.001"));

    typeText(IpConfig::IDC_TCP_PORT, "tlrq");
    clickButton(ui::control<QPushButton>(&ipConfig(), IpConfig::IDC_SAVE));
    ASSERT_TRUE(ipEdit(IpConfig::IDC_MAC)->isEnabled());

    clickButton(ui::control<QCheckBox>(&ipConfig(), IpConfig::IDC_DHCP));
    typeText(IpConfig::IDC_TCP_PORT, "9000");
    typeText(IpConfig::IDC_MAC, "02-00-00-AB-CD-EF");
    clickButton(ui::control<QPushButton>(&ipConfig(), IpConfig::IDC_SAVE));
    EXPECT_TRUE(testsupport::waitFor([&] {
        const QJsonObject lan = simLan();
        return lan["dhcp"].toInt() == 1 && lan["tcpPort"].toInt() == 9000 &&
               lan["mac"] == "02-00-00-AB-CD-EF";
    }));
    EXPECT_EQ(simLan()["host"], "10.0.0.7"); // DHCP on sends no addresses
    // The device's answers: DHCP on greys the address boxes.
    EXPECT_TRUE(testsupport::waitFor([&] { return !ipBox(IpConfig::IDC_HOST_IP)->isEnabled(); }));
    EXPECT_TRUE(ui::control<QCheckBox>(&ipConfig(), IpConfig::IDC_DHCP)->isChecked());
    // The service code itself never reached the line.
    for (const std::string &line : lines())
        EXPECT_EQ(line.find("tlrq"), std::string::npos) << line;
}

// Choosing the device fills both pages from its status and sends nothing but the status request.
TEST_F(SettingE2E, ChoosingTheDeviceFillsBothPagesFromItsStatus) {
    testsupport::SimProcess &sim = *m_sims.front();
    // A state far from the factory one, set before the console listens.
    const char *changes[] = {"A01 SET EXA MODE2",
                             "A01 SET OUT3 EAS IN7",
                             "A01 SET 4 EXA DIS",
                             "A01 SET IRT OUT2 IS IN4",
                             "A01 SET IR EXT SW 0.1.0.0.0.0.0.0.0.1.0.0.0",
                             "A01 SET IRC MUX 1.0.1.0.0.0.0.0.0",
                             "A01 SET RS MUX 0.1.0.0.1.0.0.0.0",
                             "A01 SET DHCP 1",
                             "A01 SET HIP 010.001.002.003",
                             "A01 SET NMK 255.255.000.000",
                             "A01 SET RIP 010.001.000.001",
                             "A01 SET TIP 4001",
                             "A01 SET MAC 02-11-22-33-44-55"};
    for (const char *line : changes)
        ASSERT_TRUE(sim.inject(line));
    ASSERT_TRUE(testsupport::waitFor([&] { return simCommands() >= static_cast<int>(std::size(changes)); }));

    click(CConsoleDlg::IDC_PORT_BUTTON);
    ASSERT_TRUE(console().PortOn());
    choose(CConsoleDlg::IDC_ADDRESS_LIST, 1);
    ASSERT_TRUE(testsupport::waitFor([&] {
        return ipEdit(IpConfig::IDC_MAC)->text() == "02-11-22-33-44-55" &&
               checks(Setting::IDC_RS232_OUT1, 9) == QJsonArray{0, 1, 0, 0, 1, 0, 0, 0, 0};
    }));

    EXPECT_TRUE(settingButton(1341)->isChecked()); // "Independent routing"
    for (int output = 1; output <= 9; ++output) {
        SCOPED_TRACE(output);
        EXPECT_EQ(listOf(Setting::IDC_AUDIO_ROUTE1, output), output == 3 ? 6 : output - 1);
        EXPECT_TRUE(settingButton(output == 4 ? Setting::audioMuteId(output) : Setting::audioOnId(output))
                        ->isChecked());
        EXPECT_EQ(listOf(Setting::IDC_IR_ROUTE1, output), output == 2 ? 3 : 0);
    }
    EXPECT_EQ(settingList(Setting::IDC_IR_ROUTE_ALL)->currentIndex(), -1);
    EXPECT_EQ(checks(Setting::IDC_HDBT1, 9), (QJsonArray{0, 1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(checks(Setting::IDC_IR_EXT1, 4), (QJsonArray{1, 0, 0, 0}));
    EXPECT_EQ(checks(Setting::IDC_IR_EMITTER1, 9), (QJsonArray{1, 0, 1, 0, 0, 0, 0, 0, 0}));

    EXPECT_TRUE(ui::control<QCheckBox>(&ipConfig(), IpConfig::IDC_DHCP)->isChecked());
    EXPECT_FALSE(ipBox(IpConfig::IDC_HOST_IP)->isEnabled());
    EXPECT_EQ(ipBox(IpConfig::IDC_HOST_IP)->text(), "10.1.2.3");
    EXPECT_EQ(ipBox(IpConfig::IDC_NET_MASK)->text(), "255.255.0.0");
    EXPECT_EQ(ipBox(IpConfig::IDC_ROUTER_IP)->text(), "10.1.0.1");
    EXPECT_EQ(ipEdit(IpConfig::IDC_TCP_PORT)->text(), "4001");
    EXPECT_FALSE(ipEdit(IpConfig::IDC_MAC)->isEnabled());

    // Ask once more: anything the pages had sent while being filled would reach the line before it.
    choose(CConsoleDlg::IDC_ADDRESS_LIST, 1);
    ASSERT_TRUE(testsupport::waitFor([&] { return lines().size() >= 2; }));
    const std::vector<std::string> received = lines();
    for (std::size_t i = 0; i < 2; ++i)
        EXPECT_EQ(received[i], "A01 GET STA\\r") << i;
    EXPECT_TRUE(m_messages->messages().isEmpty());
}

// The reset frame brings back the device's LAN defaults, which the next status read shows.
TEST_F(SettingE2E, ResetFrameRestoresTheDefaults) {
    ASSERT_NO_FATAL_FAILURE(connectDevice());
    showPage(&ipConfig());
    typeAddress(IpConfig::IDC_HOST_IP, "172.16.0.9");
    typeAddress(IpConfig::IDC_NET_MASK, "255.240.0.0");
    typeAddress(IpConfig::IDC_ROUTER_IP, "172.16.0.1");
    typeText(IpConfig::IDC_TCP_PORT, "23");
    clickButton(ui::control<QPushButton>(&ipConfig(), IpConfig::IDC_SAVE));
    ASSERT_TRUE(testsupport::waitFor([&] { return simLan()["tcpPort"].toInt() == 23; }));

    clickButton(ui::control<QPushButton>(&ipConfig(), IpConfig::IDC_RESET));
    EXPECT_TRUE(testsupport::waitFor([&] { return logHas(1, "FRAME aa 06 00 05 00 00 01 02 78 d0"); }));
    EXPECT_TRUE(testsupport::waitFor([&] {
        const QJsonObject lan = simLan();
        return lan["host"] == "192.168.1.100" && lan["tcpPort"].toInt() == 8000;
    }));

    // The page is refilled from the next status read.
    choose(CConsoleDlg::IDC_ADDRESS_LIST, 1);
    EXPECT_TRUE(testsupport::waitFor([&] {
        return ipBox(IpConfig::IDC_HOST_IP)->text() == "192.168.1.100" &&
               ipBox(IpConfig::IDC_NET_MASK)->text() == "255.255.255.0" &&
               ipBox(IpConfig::IDC_ROUTER_IP)->text() == "192.168.1.1" &&
               ipEdit(IpConfig::IDC_TCP_PORT)->text() == "8000";
    }));
    EXPECT_FALSE(ui::control<QCheckBox>(&ipConfig(), IpConfig::IDC_DHCP)->isChecked());
    EXPECT_TRUE(m_messages->messages().isEmpty());

    // With the port off the window says so and nothing reaches the line.
    click(CConsoleDlg::IDC_PORT_BUTTON);
    ASSERT_FALSE(console().PortOn());
    clickButton(ui::control<QPushButton>(&ipConfig(), IpConfig::IDC_RESET));
    EXPECT_EQ(m_messages->messages(), QStringList{"Com port is not on yet."});
    EXPECT_EQ(testsupport::simLogEntries(logFile(1), "FRAME").size(), 1u);
}

} // namespace
