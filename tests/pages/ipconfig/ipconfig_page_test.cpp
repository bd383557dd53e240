// The IP CONFIG page: "Save Setting" with its exact multi-line text, the service code, the DHCP box,
// the reset frame and the replies that fill the page.
#include "pages/ipconfig/CIpConfigPage.h"
#include "ui/Controls.h"
#include "ui/IpAddressEdit.h"
#include "ui/MessageBox.h"

#include "TestConsole.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Page = CIpConfigPage;
constexpr int kAddressIds[] = {Page::IDC_HOST_IP, Page::IDC_NET_MASK, Page::IDC_ROUTER_IP};

class IpConfigPageTest : public testing::Test {
protected:
    void SetUp() override {
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    }

    QLineEdit *edit(int id) { return ui::control<QLineEdit>(&page, id); }
    ui::IpAddressEdit *address(int id) { return ui::control<ui::IpAddressEdit>(&page, id); }
    void click(int id) {
        auto *b = ui::control<QAbstractButton>(&page, id);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }
    // Types the address field by field, as the operator does; "" leaves the box blank.
    void typeAddresses(const char *host, const char *mask, const char *router) {
        const char *texts[] = {host, mask, router};
        for (int i = 0; i < 3; ++i) {
            address(kAddressIds[i])->clear();
            const QStringList parts = QString(texts[i]).split('.', Qt::SkipEmptyParts);
            for (int f = 0; f < parts.size(); ++f)
                QTest::keyClicks(address(kAddressIds[i])->field(f), parts[f]);
        }
    }
    void type(int id, const QString &text) {
        edit(id)->clear();
        QTest::keyClicks(edit(id), text);
    }
    QString shownAddresses() {
        QStringList texts;
        for (int id : kAddressIds)
            texts << address(id)->text() + (address(id)->isEnabled() ? "" : " (off)");
        return texts.join(' ');
    }

    TestConsole console;
    ui::MessageCapture messages;
    CIpConfigPage page{&console};
};

TEST_F(IpConfigPageTest, OpensWithTheMacBoxLockedAndAFourCharacterPort) {
    EXPECT_EQ(ui::control<QCheckBox>(&page, Page::IDC_DHCP)->text(), "DHCP ");
    for (const char *label :
         {"Host IP Address:", "Net Mask:", "Router IP Address:", "TCP Port:", "MAC Address(hex):"})
        EXPECT_NE(ui::control<QLabel>(&page, label), nullptr) << label;
    EXPECT_EQ(ui::control<QPushButton>(&page, 1118)->text(), "Save Setting");
    EXPECT_EQ(ui::control<QPushButton>(&page, 1251)->text(), "Reset to Default Setting");
    EXPECT_EQ(shownAddresses(), "  ");
    EXPECT_FALSE(edit(Page::IDC_MAC)->isEnabled());
    type(Page::IDC_TCP_PORT, "123456");
    EXPECT_EQ(edit(Page::IDC_TCP_PORT)->text(), "1234");
}

struct Save {
    const char *name;
    bool dhcp;
    const char *host, *mask, *router, *port;
    std::string text;
};

class IpConfigSaveTest : public IpConfigPageTest, public testing::WithParamInterface<Save> {};

TEST_P(IpConfigSaveTest, SendsOneMultiLineWrite) {
    const Save &c = GetParam();
    if (c.dhcp)
        click(Page::IDC_DHCP);
    typeAddresses(c.host, c.mask, c.router);
    type(Page::IDC_TCP_PORT, c.port);
    click(Page::IDC_SAVE);
    EXPECT_EQ(console.texts, std::vector<std::string>{c.text});
    EXPECT_TRUE(messages.messages().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Settings, IpConfigSaveTest,
    testing::Values(Save{"DhcpOff", false, "192.168.1.10", "255.255.255.0", "192.168.1.1", "8080",
                         "\r\nSET DHCP 0\r\nSET HIP 192.168.001.010\r\nSET NMK 255.255.255.000\r\n"
                         "SET RIP192.168.001.001\r\nSET TIP 8080\r\n"}, // 102 bytes
                    Save{"ShortFields", false, "10.0.0.1", "255.0.0.0", "10.0.0.254", "23",
                         "\r\nSET DHCP 0\r\nSET HIP 010.000.000.001\r\nSET NMK 255.000.000.000\r\n"
                         "SET RIP010.000.000.254\r\nSET TIP 23\r\n"},
                    // Blank fields read as 0; the port goes out as typed.
                    Save{"Blank", false, "", "", "", "ab",
                         "\r\nSET DHCP 0\r\nSET HIP 000.000.000.000\r\nSET NMK 000.000.000.000\r\n"
                         "SET RIP000.000.000.000\r\nSET TIP ab\r\n"},
                    Save{"DhcpOn", true, "192.168.1.10", "255.255.255.0", "192.168.1.1", "8080",
                         "\r\nSET DHCP 1\r\nSET TIP 8080\r\n"},
                    // The service code is compared with case.
                    Save{"CodeInCapitals", true, "", "", "", "TLRQ", "\r\nSET DHCP 1\r\nSET TIP TLRQ\r\n"}),
    [](const testing::TestParamInfo<Save> &info) { return std::string(info.param.name); });

// The service code unlocks the MAC box for the rest of the run and sends nothing, port on or off;
// from then on "Save Setting" ends with the MAC line, the MAC going out as typed.
TEST_F(IpConfigPageTest, ServiceCodeUnlocksTheMacBox) {
    console.setPortOn(false);
    type(Page::IDC_TCP_PORT, "tlrq");
    click(Page::IDC_SAVE);
    EXPECT_TRUE(console.texts.empty());
    EXPECT_TRUE(edit(Page::IDC_MAC)->isEnabled());

    console.setPortOn(true);
    click(Page::IDC_DHCP);
    type(Page::IDC_TCP_PORT, "8000");
    type(Page::IDC_MAC, "00-1C-91-4B-00-7f");
    click(Page::IDC_SAVE);
    EXPECT_EQ(console.texts,
              std::vector<std::string>{"\r\nSET DHCP 1\r\nSET TIP 8000\r\nSET MAC 00-1C-91-4B-00-7f\r\n"});

    console.reply("DHCP 0");
    console.reply("MAC 00-1C-91-4B-00-01");
    EXPECT_TRUE(edit(Page::IDC_MAC)->isEnabled());
    EXPECT_EQ(edit(Page::IDC_MAC)->text(), "00-1C-91-4B-00-01");
}

TEST_F(IpConfigPageTest, DhcpBoxSwitchesTheAddressBoxesAndSendsNothing) {
    click(Page::IDC_DHCP);
    EXPECT_EQ(shownAddresses(), " (off)  (off)  (off)");
    click(Page::IDC_DHCP);
    EXPECT_EQ(shownAddresses(), "  ");
    EXPECT_TRUE(console.texts.empty());
}

TEST_F(IpConfigPageTest, PortOffSaveSendsNothingAndShowsNothing) {
    console.setPortOn(false);
    type(Page::IDC_TCP_PORT, "8080");
    click(Page::IDC_SAVE);
    EXPECT_TRUE(console.texts.empty());
    EXPECT_TRUE(messages.messages().isEmpty());
}

TEST_F(IpConfigPageTest, ResetSendsTheLanResetFrame) {
    console.setDeviceByte(5);
    click(Page::IDC_RESET);
    EXPECT_EQ(console.frames, (std::vector<std::vector<std::uint8_t>>{
                                  {0xAA, 0x06, 0x00, 0x05, 0x00, 0x00, 0x05, 0x02, 0x78, 0xCC}}));
    EXPECT_TRUE(console.texts.empty());
}

struct Replies {
    std::vector<const char *> lines;
    const char *addresses; // as shownAddresses()
    const char *port;
    const char *mac;
    bool dhcp;
};

class IpConfigReplyTest : public IpConfigPageTest, public testing::WithParamInterface<Replies> {};

// Each reply shows at once, the TCP port too, and sends nothing back.
TEST_P(IpConfigReplyTest, FillThePage) {
    for (const char *line : GetParam().lines)
        console.reply(line);
    EXPECT_EQ(shownAddresses(), GetParam().addresses);
    EXPECT_EQ(edit(Page::IDC_TCP_PORT)->text(), GetParam().port);
    EXPECT_EQ(edit(Page::IDC_MAC)->text(), GetParam().mac);
    EXPECT_EQ(ui::control<QCheckBox>(&page, Page::IDC_DHCP)->isChecked(), GetParam().dhcp);
    EXPECT_TRUE(console.texts.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, IpConfigReplyTest,
    testing::Values(
        Replies{{"HIP 192.168.001.010"}, "192.168.1.10  ", "", "", false},
        Replies{{"NMK 255.255.255.000", "RIP 010.000.000.254"}, " 255.255.255.0 10.0.0.254", "", "", false},
        Replies{{"HIP 300.168.001.010"}, "44.168.1.10  ", "", "", false}, // modulo 256
        Replies{{"TIP 8080"}, "  ", "8080", "", false},
        Replies{{"DHCP 1"}, " (off)  (off)  (off)", "", "", true},
        Replies{{"DHCP 1", "DHCP 0"}, "  ", "", "", false},
        Replies{{"DHCP 0", "DHCP x"}, " (off)  (off)  (off)", "", "", true},
        Replies{{"MAC 00-1C-91-4B-00-01"}, "  ", "", "00-1C-91-4B-00-01", false},
        Replies{{"MAC 00-1C"}, "  ", "", "", false})); // too short: nothing to take

// The port the device reported is what the next save sends, never an empty box.
TEST_F(IpConfigPageTest, ReportedPortGoesOutWithTheNextSave) {
    console.reply("DHCP 1");
    console.reply("TIP 9000");
    click(Page::IDC_SAVE);
    EXPECT_EQ(console.texts, std::vector<std::string>{"\r\nSET DHCP 1\r\nSET TIP 9000\r\n"});
}

} // namespace
