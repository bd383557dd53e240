// The SETTING and IP CONFIG pages against korvex-sim: every control changes the device, the device's
// status fills both pages, and the LAN reset frame brings back the device's defaults.
#include "ConsoleFixture.h"

#include "pages/ipconfig/CIpConfigPage.h"
#include "pages/setting/CSettingPage.h"
#include "ui/IpAddressEdit.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QTabWidget>

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

    // Port on and device 01 chosen: its status fills the pages.
    void connectDevice() {
        click(CConsoleDlg::IDC_PORT_BUTTON);
        choose(CConsoleDlg::IDC_ADDRESS_LIST, 1);
        ASSERT_TRUE(testsupport::waitFor([&] { return pageState() == simState(); }));
    }
    void showPage(QWidget *page) {
        ui::control<QTabWidget>(&console(), CConsoleDlg::IDC_TAB)->setCurrentWidget(page);
    }

    Setting &setting() { return *console().findPage<Setting>(); }
    IpConfig &ip() { return *console().findPage<IpConfig>(); }
    QAbstractButton *button(int id) { return ui::control<QAbstractButton>(&setting(), id); }
    QComboBox *list(int id) { return ui::control<QComboBox>(&setting(), id); }
    QLineEdit *edit(int id) { return ui::control<QLineEdit>(&ip(), id); }
    ui::IpAddressEdit *address(int id) { return ui::control<ui::IpAddressEdit>(&ip(), id); }
    void press(QAbstractButton *b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2)); }
    void chooseIn(QComboBox *l, int index) {
        l->setCurrentIndex(index);
        emit l->activated(index);
    }
    void type(int id, const QString &text) {
        edit(id)->clear();
        QTest::keyClicks(edit(id), text);
    }
    void typeAddress(int id, const QString &dotted) {
        address(id)->clear();
        const QStringList parts = dotted.split('.');
        for (int i = 0; i < 4; ++i)
            QTest::keyClicks(address(id)->field(i), parts[i]);
    }

    QJsonArray checks(int firstId, int count) {
        QJsonArray a;
        for (int i = 0; i < count; ++i)
            a.append(button(firstId + i)->isChecked() ? 1 : 0);
        return a;
    }
    // Both pages as the simulator's state file lays the same settings out.
    QJsonObject pageState() {
        QJsonObject o;
        int mode = -1;
        for (int i = 0; i < 3; ++i)
            if (button(Setting::IDC_FOLLOW_INPUT + i)->isChecked())
                mode = i;
        o["audioMode"] = mode;
        QJsonArray routing, mute, irRoute;
        for (int out = 1; out <= 9; ++out) {
            routing.append(list(Setting::IDC_AUDIO_ROUTE1 + out - 1)->currentIndex());
            mute.append(button(Setting::audioMuteId(out))->isChecked() ? 1
                        : button(Setting::audioOnId(out))->isChecked() ? 0
                                                                       : -1);
            irRoute.append(list(Setting::IDC_IR_ROUTE1 + out - 1)->currentIndex());
        }
        o["audioRouting"] = routing;
        o["audioMute"] = mute;
        o["irRoute"] = irRoute;
        QJsonArray irSwitch = checks(Setting::IDC_HDBT1, 9);
        for (const QJsonValue &v : checks(Setting::IDC_IR_EXT1, 4))
            irSwitch.append(v);
        o["irExtSwitch"] = irSwitch;
        o["irEmitter"] = checks(Setting::IDC_IR_EMITTER1, 9);
        o["rs232"] = checks(Setting::IDC_RS232_OUT1, 9);
        o["lan"] =
            QJsonObject{{"dhcp", ui::control<QCheckBox>(&ip(), IpConfig::IDC_DHCP)->isChecked() ? 1 : 0},
                        {"host", address(IpConfig::IDC_HOST_IP)->text()},
                        {"mask", address(IpConfig::IDC_NET_MASK)->text()},
                        {"router", address(IpConfig::IDC_ROUTER_IP)->text()},
                        {"tcpPort", edit(IpConfig::IDC_TCP_PORT)->text().toInt()},
                        {"mac", edit(IpConfig::IDC_MAC)->text()}};
        return o;
    }
    QJsonObject device() { return testsupport::simDevice(testsupport::readSimState(stateFile(1)), 1); }
    QJsonObject simState() {
        const QJsonObject d = device();
        QJsonObject o;
        for (const char *key : {"audioMode", "audioRouting", "audioMute", "irRoute", "irExtSwitch",
                                "irEmitter", "rs232", "lan"})
            o[key] = d[key];
        return o;
    }
    // Waits until the device holds this value and the pages show what the device holds.
    bool deviceHas(const char *key, int index, int value) {
        return testsupport::waitFor([&] {
            const QJsonValue v = index < 0 ? device()[key] : device()[key].toArray()[index];
            return v.toInt(-100) == value && pageState() == simState();
        });
    }
};

TEST_F(SettingE2E, EverySettingControlChangesTheDevice) {
    ASSERT_NO_FATAL_FAILURE(connectDevice());
    showPage(&setting());
    for (int mode : {2, 0, 1}) {
        press(button(Setting::IDC_FOLLOW_INPUT + mode));
        EXPECT_TRUE(deviceHas("audioMode", -1, mode)) << mode;
    }
    for (int out = 1; out <= 9; ++out) {
        SCOPED_TRACE(out);
        chooseIn(list(Setting::IDC_AUDIO_ROUTE1 + out - 1), 9 - out);
        EXPECT_TRUE(deviceHas("audioRouting", out - 1, 9 - out));
        press(button(Setting::audioMuteId(out)));
        EXPECT_TRUE(deviceHas("audioMute", out - 1, 1));
        if (out % 2 == 0) {
            press(button(Setting::audioOnId(out)));
            EXPECT_TRUE(deviceHas("audioMute", out - 1, 0));
        }
        chooseIn(list(Setting::IDC_IR_ROUTE1 + out - 1), out % 4);
        EXPECT_TRUE(deviceHas("irRoute", out - 1, out % 4));
    }
    // Every check box flips its flag on the device; the row goes out whole, so nothing else changes.
    struct Row {
        const char *key;
        int firstId, count, offset;
    };
    for (const Row &row :
         {Row{"irEmitter", Setting::IDC_IR_EMITTER1, 9, 0}, Row{"rs232", Setting::IDC_RS232_OUT1, 9, 0},
          Row{"irExtSwitch", Setting::IDC_HDBT1, 9, 0}, Row{"irExtSwitch", Setting::IDC_IR_EXT1, 4, 9}}) {
        for (int i = 0; i < row.count; ++i) {
            const int wanted = button(row.firstId + i)->isChecked() ? 0 : 1;
            press(button(row.firstId + i));
            EXPECT_TRUE(deviceHas(row.key, row.offset + i, wanted)) << row.firstId + i;
        }
    }
    // "All from:" is one command for all nine outputs.
    const int commands = testsupport::readSimState(stateFile(1))["commands"].toInt();
    chooseIn(list(Setting::IDC_IR_ROUTE_ALL), 2);
    EXPECT_TRUE(
        testsupport::waitFor([&] { return device()["irRoute"] == QJsonArray{2, 2, 2, 2, 2, 2, 2, 2, 2}; }));
    EXPECT_EQ(testsupport::readSimState(stateFile(1))["commands"].toInt(), commands + 1);
    EXPECT_TRUE(m_messages->messages().isEmpty());
}

// Choosing the device fills both pages from its status and sends nothing but the status request.
TEST_F(SettingE2E, ChoosingTheDeviceFillsBothPagesFromItsStatus) {
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
        ASSERT_TRUE(m_sims.front()->inject(line));
    ASSERT_TRUE(testsupport::waitFor([&] {
        return testsupport::readSimState(stateFile(1))["commands"].toInt() ==
               static_cast<int>(std::size(changes));
    }));
    ASSERT_NO_FATAL_FAILURE(connectDevice());
    EXPECT_EQ(pageState()["lan"].toObject()["host"], "10.1.2.3");
    EXPECT_EQ(pageState()["irRoute"], (QJsonArray{0, 3, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(address(IpConfig::IDC_HOST_IP)->isEnabled()); // DHCP on
    EXPECT_FALSE(edit(IpConfig::IDC_MAC)->isEnabled());

    // Ask once more: anything the pages had sent while being filled would reach the line before it.
    choose(CConsoleDlg::IDC_ADDRESS_LIST, 1);
    ASSERT_TRUE(
        testsupport::waitFor([&] { return testsupport::simLogEntries(logFile(1), "LINE").size() >= 2; }));
    const std::vector<std::string> received = testsupport::simLogEntries(logFile(1), "LINE");
    EXPECT_EQ(received[0], "A01 GET STA\\r");
    EXPECT_EQ(received[1], "A01 GET STA\\r");
    EXPECT_TRUE(m_messages->messages().isEmpty());
}

// "Save Setting" with DHCP off and on (with the unlocked MAC), then the reset frame: the device's
// defaults come back and show after the next status read.
TEST_F(SettingE2E, SaveSettingAndResetChangeTheDevice) {
    ASSERT_NO_FATAL_FAILURE(connectDevice());
    showPage(&ip());
    typeAddress(IpConfig::IDC_HOST_IP, "10.0.0.7");
    typeAddress(IpConfig::IDC_NET_MASK, "255.255.0.0");
    typeAddress(IpConfig::IDC_ROUTER_IP, "10.0.0.1");
    type(IpConfig::IDC_TCP_PORT, "8081");
    press(ui::control<QPushButton>(&ip(), IpConfig::IDC_SAVE));
    const QJsonObject dhcpOff{
        {"dhcp", 0},       {"host", "10.0.0.7"},        {"mask", "255.255.0.0"}, {"router", "10.0.0.1"},
        {"tcpPort", 8081}, {"mac", "00-1C-91-4B-00-01"}};
    EXPECT_TRUE(
        testsupport::waitFor([&] { return device()["lan"] == dhcpOff && pageState() == simState(); }));

    type(IpConfig::IDC_TCP_PORT, "tlrq");
    press(ui::control<QPushButton>(&ip(), IpConfig::IDC_SAVE));
    press(ui::control<QCheckBox>(&ip(), IpConfig::IDC_DHCP));
    type(IpConfig::IDC_TCP_PORT, "9000");
    type(IpConfig::IDC_MAC, "02-00-00-AB-CD-EF");
    press(ui::control<QPushButton>(&ip(), IpConfig::IDC_SAVE));
    QJsonObject dhcpOn = dhcpOff; // with DHCP on no address goes out
    dhcpOn["dhcp"] = 1;
    dhcpOn["tcpPort"] = 9000;
    dhcpOn["mac"] = "02-00-00-AB-CD-EF";
    EXPECT_TRUE(testsupport::waitFor([&] { return device()["lan"] == dhcpOn && pageState() == simState(); }))
        << QJsonDocument(device()["lan"].toObject()).toJson().toStdString();

    press(ui::control<QPushButton>(&ip(), IpConfig::IDC_RESET));
    EXPECT_TRUE(testsupport::waitFor([&] { return logHas(1, "FRAME aa 06 00 05 00 00 01 02 78 d0"); }));
    const QJsonObject defaults{
        {"dhcp", 0},       {"host", "192.168.1.100"},   {"mask", "255.255.255.0"}, {"router", "192.168.1.1"},
        {"tcpPort", 8000}, {"mac", "02-00-00-AB-CD-EF"}};
    EXPECT_TRUE(testsupport::waitFor([&] { return device()["lan"] == defaults; }));
    choose(CConsoleDlg::IDC_ADDRESS_LIST, 1);
    EXPECT_TRUE(testsupport::waitFor([&] { return pageState()["lan"] == defaults; }));
    EXPECT_TRUE(address(IpConfig::IDC_HOST_IP)->isEnabled());
    EXPECT_TRUE(m_messages->messages().isEmpty());

    // With the port off the window says so and nothing reaches the line.
    click(CConsoleDlg::IDC_PORT_BUTTON);
    press(ui::control<QPushButton>(&ip(), IpConfig::IDC_RESET));
    EXPECT_EQ(m_messages->messages(), QStringList{"Com port is not on yet."});
    EXPECT_EQ(testsupport::simLogEntries(logFile(1), "FRAME").size(), 1u);
}

} // namespace
