// The IP CONFIG page: "Save Setting" with its exact multi-line text, the service code, the DHCP box,
// the reset frame and the replies that fill the page.
#include "pages/ipconfig/CIpConfigPage.h"
#include "ui/Controls.h"
#include "ui/IpAddressEdit.h"
#include "ui/MessageBox.h"

#include "FakeConsole.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Page = CIpConfigPage;

class IpConfigPageTest : public testing::Test {
protected:
    void SetUp() override {
        console.device = 1;
        page = std::make_unique<CIpConfigPage>(&console);
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    }

    QLineEdit *edit(int id) { return ui::control<QLineEdit>(page.get(), id); }
    ui::IpAddressEdit *address(int id) { return ui::control<ui::IpAddressEdit>(page.get(), id); }
    QCheckBox *dhcp() { return ui::control<QCheckBox>(page.get(), Page::IDC_DHCP); }
    void click(int id) {
        auto *b = ui::control<QAbstractButton>(page.get(), id);
        ASSERT_NE(b, nullptr) << id;
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }
    // Types into the address box field by field, as the operator does.
    void typeAddress(int id, const char *dotted) {
        ui::IpAddressEdit *box = address(id);
        box->clear();
        const QStringList parts = QString::fromLatin1(dotted).split('.', Qt::SkipEmptyParts);
        for (int i = 0; i < parts.size() && i < 4; ++i)
            QTest::keyClicks(box->field(i), parts[i]);
    }
    void typePort(const QString &text) {
        edit(Page::IDC_TCP_PORT)->clear();
        QTest::keyClicks(edit(Page::IDC_TCP_PORT), text);
    }
    bool addressBoxesEnabled(bool enabled) {
        for (int id : {Page::IDC_HOST_IP, Page::IDC_NET_MASK, Page::IDC_ROUTER_IP})
            if (address(id)->isEnabled() != enabled)
                return false;
        return true;
    }

    FakeConsole console;
    ui::MessageCapture messages;
    std::unique_ptr<CIpConfigPage> page;
};

TEST_F(IpConfigPageTest, OpensWithItsControlsAndTheMacBoxLocked) {
    EXPECT_EQ(page->objectName(), "195");
    EXPECT_EQ(dhcp()->text(), "DHCP ");
    EXPECT_FALSE(dhcp()->isChecked());
    auto *group = ui::control<QGroupBox>(page.get(), QStringLiteral("ip address setting"));
    ASSERT_NE(group, nullptr);
    const std::pair<int, const char *> boxes[] = {
        {1200, "Host IP Address:"}, {1201, "Net Mask:"}, {1202, "Router IP Address:"}};
    for (auto [id, caption] : boxes) {
        ASSERT_NE(address(id), nullptr) << id;
        EXPECT_EQ(address(id)->parentWidget(), group) << id;
        auto *label = ui::control<QLabel>(page.get(), QString::fromLatin1(caption));
        ASSERT_NE(label, nullptr) << caption;
        EXPECT_EQ(label->buddy(), address(id));
    }
    EXPECT_TRUE(addressBoxesEnabled(true));
    EXPECT_EQ(edit(1110)->maxLength(), 4);
    EXPECT_FALSE(edit(1256)->isEnabled());
    EXPECT_NE(ui::control<QLabel>(page.get(), QStringLiteral("TCP Port:")), nullptr);
    EXPECT_NE(ui::control<QLabel>(page.get(), QStringLiteral("MAC Address(hex):")), nullptr);
    for (auto [id, caption] : {std::pair{1118, "Save Setting"}, {1251, "Reset to Default Setting"}}) {
        auto *b = ui::control<QPushButton>(page.get(), id);
        ASSERT_NE(b, nullptr) << id;
        EXPECT_EQ(b->text(), caption);
        EXPECT_FALSE(b->autoDefault()); // Enter belongs to the window
    }
    typePort(QStringLiteral("123456"));
    EXPECT_EQ(edit(1110)->text(), "1234");
    EXPECT_TRUE(console.texts.empty());
}

struct SaveCase {
    const char *name;
    bool dhcp;
    const char *host;
    const char *mask;
    const char *router;
    const char *port;
    std::string text;
};

void PrintTo(const SaveCase &c, std::ostream *os) {
    *os << c.name;
}

class IpConfigSaveTest : public IpConfigPageTest, public testing::WithParamInterface<SaveCase> {};

// One write with every line; the window puts the device's prefix before each of them.
TEST_P(IpConfigSaveTest, SendsOneMultiLineWrite) {
    const SaveCase &c = GetParam();
    if (c.dhcp)
        click(Page::IDC_DHCP);
    typeAddress(Page::IDC_HOST_IP, c.host);
    typeAddress(Page::IDC_NET_MASK, c.mask);
    typeAddress(Page::IDC_ROUTER_IP, c.router);
    typePort(QString::fromLatin1(c.port));
    click(Page::IDC_SAVE);
    ASSERT_EQ(console.texts.size(), 1u);
    EXPECT_EQ(console.texts[0], c.text);
    std::string prefixed = c.text;
    for (std::size_t at = prefixed.find('\n'); at != std::string::npos && at + 1 < prefixed.size();
         at = prefixed.find('\n', at + 5))
        prefixed.insert(at + 1, "A01 ");
    EXPECT_EQ(console.takeWire(), prefixed);
    EXPECT_TRUE(messages.messages().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Settings, IpConfigSaveTest,
    testing::Values(SaveCase{"DhcpOff", false, "192.168.1.10", "255.255.255.0", "192.168.1.1", "8080",
                             "\r\nSET DHCP 0\r\nSET HIP 192.168.001.010\r\nSET NMK 255.255.255.000\r\n"
                             "SET RIP192.168.001.001\r\nSET TIP 8080\r\n"},
                    SaveCase{"ShortAddress", false, "10.0.0.1", "255.0.0.0", "10.0.0.254", "23",
                             "\r\nSET DHCP 0\r\nSET HIP 010.000.000.001\r\nSET NMK 255.000.000.000\r\n"
                             "SET RIP010.000.000.254\r\nSET TIP 23\r\n"},
                    // Blank fields read as 0; the port goes out as typed.
                    SaveCase{"BlankAddresses", false, "", "", "", "ab",
                             "\r\nSET DHCP 0\r\nSET HIP 000.000.000.000\r\nSET NMK 000.000.000.000\r\n"
                             "SET RIP000.000.000.000\r\nSET TIP ab\r\n"},
                    SaveCase{"DhcpOn", true, "192.168.1.10", "255.255.255.0", "192.168.1.1", "8080",
                             "\r\nSET DHCP 1\r\nSET TIP 8080\r\n"},
                    // The service code is compared with case.
                    SaveCase{"CodeInCapitals", true, "", "", "", "TLRQ",
                             "\r\nSET DHCP 1\r\nSET TIP TLRQ\r\n"}),
    [](const testing::TestParamInfo<SaveCase> &info) { return std::string(info.param.name); });

TEST_F(IpConfigPageTest, SaveLengths) {
    typeAddress(Page::IDC_HOST_IP, "192.168.1.10");
    typeAddress(Page::IDC_NET_MASK, "255.255.255.0");
    typeAddress(Page::IDC_ROUTER_IP, "192.168.1.1");
    typePort(QStringLiteral("8080"));
    click(Page::IDC_SAVE);
    click(Page::IDC_DHCP);
    click(Page::IDC_SAVE);
    ASSERT_EQ(console.texts.size(), 2u);
    EXPECT_EQ(console.texts[0].size(), 102u);
    EXPECT_EQ(console.texts[1].size(), 28u);
    EXPECT_EQ(console.takeWire().size(), 102u + 5 * 4 + 28u + 2 * 4);
}

// The service code unlocks the MAC box for good and sends nothing, port on or off; from then on
// "Save Setting" ends with the MAC line, the MAC going out as typed.
TEST_F(IpConfigPageTest, ServiceCodeUnlocksTheMacBox) {
    console.portOn = false;
    typePort(QStringLiteral("tlrq"));
    click(Page::IDC_SAVE);
    EXPECT_TRUE(console.texts.empty());
    EXPECT_TRUE(edit(Page::IDC_MAC)->isEnabled());
    EXPECT_TRUE(page->MacUnlocked());

    console.portOn = true;
    click(Page::IDC_DHCP);
    typePort(QStringLiteral("8000"));
    QTest::keyClicks(edit(Page::IDC_MAC), QStringLiteral("00-1C-91-4B-00-7f"));
    click(Page::IDC_SAVE);
    ASSERT_EQ(console.texts.size(), 1u);
    EXPECT_EQ(console.texts[0], "\r\nSET DHCP 1\r\nSET TIP 8000\r\nSET MAC 00-1C-91-4B-00-7f\r\n");

    // A later reply or DHCP change does not lock it again.
    console.reply("DHCP 0");
    console.reply("MAC 00-1C-91-4B-00-01");
    EXPECT_TRUE(edit(Page::IDC_MAC)->isEnabled());
    EXPECT_EQ(edit(Page::IDC_MAC)->text(), "00-1C-91-4B-00-01");
    console.texts.clear();
    edit(Page::IDC_MAC)->setText(QStringLiteral("zz"));
    click(Page::IDC_SAVE);
    ASSERT_EQ(console.texts.size(), 1u);
    EXPECT_EQ(console.texts[0].substr(console.texts[0].size() - 12), "SET MAC zz\r\n");
}

TEST_F(IpConfigPageTest, DhcpBoxSwitchesTheAddressBoxesAndSendsNothing) {
    click(Page::IDC_DHCP);
    EXPECT_TRUE(addressBoxesEnabled(false));
    click(Page::IDC_DHCP);
    EXPECT_TRUE(addressBoxesEnabled(true));
    EXPECT_TRUE(console.texts.empty());
    EXPECT_TRUE(console.frames.empty());
}

TEST_F(IpConfigPageTest, PortOffSaveSendsNothingAndShowsNothing) {
    console.portOn = false;
    typePort(QStringLiteral("8080"));
    click(Page::IDC_SAVE);
    EXPECT_TRUE(console.texts.empty());
    EXPECT_TRUE(messages.messages().isEmpty());
}

TEST_F(IpConfigPageTest, ResetSendsTheLanResetFrame) {
    console.device = 5;
    click(Page::IDC_RESET);
    console.device = 0;
    click(Page::IDC_RESET);
    EXPECT_EQ(console.frames, (std::vector<std::vector<std::uint8_t>>{
                                  {0xAA, 0x06, 0x00, 0x05, 0x00, 0x00, 0x05, 0x02, 0x78, 0xCC},
                                  {0xAA, 0x06, 0x00, 0x05, 0x00, 0x00, 0x00, 0x02, 0x78, 0xD1}}));
    EXPECT_TRUE(console.texts.empty());
}

struct ReplyCase {
    std::vector<const char *> lines;
    bool dhcp;
    const char *host;
    const char *mask;
    const char *router;
    const char *port;
    const char *mac;
};

void PrintTo(const ReplyCase &c, std::ostream *os) {
    for (const char *l : c.lines)
        *os << "[" << l << "]";
}

class IpConfigReplyTest : public IpConfigPageTest, public testing::WithParamInterface<ReplyCase> {};

// Each reply shows at once (the TCP port too) and sends nothing back.
TEST_P(IpConfigReplyTest, FillThePage) {
    const ReplyCase &c = GetParam();
    for (const char *line : c.lines)
        console.reply(line);
    EXPECT_EQ(dhcp()->isChecked(), c.dhcp);
    EXPECT_TRUE(addressBoxesEnabled(!c.dhcp));
    EXPECT_EQ(address(Page::IDC_HOST_IP)->text(), c.host);
    EXPECT_EQ(address(Page::IDC_NET_MASK)->text(), c.mask);
    EXPECT_EQ(address(Page::IDC_ROUTER_IP)->text(), c.router);
    EXPECT_EQ(edit(Page::IDC_TCP_PORT)->text(), c.port);
    EXPECT_EQ(edit(Page::IDC_MAC)->text(), c.mac);
    EXPECT_FALSE(edit(Page::IDC_MAC)->isEnabled());
    EXPECT_TRUE(console.texts.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, IpConfigReplyTest,
    testing::Values(
        ReplyCase{{"HIP 192.168.001.010"}, false, "192.168.1.10", "", "", "", ""},
        ReplyCase{
            {"NMK 255.255.255.000", "RIP 010.000.000.254"}, false, "", "255.255.255.0", "10.0.0.254", "", ""},
        ReplyCase{{"HIP 300.168.001.010"}, false, "44.168.1.10", "", "", "", ""}, // modulo 256
        ReplyCase{{"TIP 8080"}, false, "", "", "", "8080", ""},
        ReplyCase{{"TIP 23"}, false, "", "", "", "23", ""}, ReplyCase{{"DHCP 1"}, true, "", "", "", "", ""},
        ReplyCase{{"DHCP 1", "DHCP 0"}, false, "", "", "", "", ""},
        ReplyCase{{"DHCP 1", "DHCP x"}, true, "", "", "", "", ""},
        ReplyCase{{"MAC 00-1C-91-4B-00-01"}, false, "", "", "", "", "00-1C-91-4B-00-01"},
        ReplyCase{{"MAC 00-1C"}, false, "", "", "", "", ""}, // too short: nothing to take
        ReplyCase{{"DHCP 0", "HIP 192.168.001.100", "NMK 255.255.255.000", "RIP 192.168.001.001", "TIP 8000",
                   "MAC 00-1C-91-4B-00-01"},
                  false,
                  "192.168.1.100",
                  "255.255.255.0",
                  "192.168.1.1",
                  "8000",
                  "00-1C-91-4B-00-01"}));

// A port reported by the device is what the next save sends, never an empty box.
TEST_F(IpConfigPageTest, ReportedPortGoesOutWithTheNextSave) {
    console.reply("DHCP 1");
    console.reply("TIP 9000");
    click(Page::IDC_SAVE);
    ASSERT_EQ(console.texts.size(), 1u);
    EXPECT_EQ(console.texts[0], "\r\nSET DHCP 1\r\nSET TIP 9000\r\n");
}

} // namespace
