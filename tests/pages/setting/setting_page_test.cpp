// The SETTING page: its controls, the exact text each operator action hands over, and the replies
// that fill it, with the multiview panel (which reuses 1340..1355) beside it as in the window.
#include "pages/multiview/CMultiviewPanel.h"
#include "pages/setting/CSettingPage.h"
#include "ui/Controls.h"
#include "ui/Exchange.h"
#include "ui/MessageBox.h"

#include "TestConsole.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Page = CSettingPage;

class SettingPageTest : public testing::Test {
public:
    void SetUp() override {
        auto *layout = new QHBoxLayout(&host);
        panel = new CMultiviewPanel(&console, &host);
        page = new CSettingPage(&console, &host);
        layout->addWidget(panel);
        layout->addWidget(page);
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    }

    QAbstractButton *button(int id) { return ui::control<QAbstractButton>(page, id); }
    QComboBox *list(int id) { return ui::control<QComboBox>(page, id); }
    // On the indicator: a button stretched by its layout ignores clicks in its empty part.
    void click(int id) {
        QTest::mouseClick(button(id), Qt::LeftButton, {}, QPoint(6, button(id)->height() / 2));
    }
    void choose(int id, int index) {
        list(id)->setCurrentIndex(index);
        emit list(id)->activated(index);
    }
    // What the page shows: the checked buttons' identifiers, and identifier * 10 + entry of each list
    // with a selection.
    std::vector<int> shown() {
        std::vector<int> ids;
        for (QAbstractButton *b : page->findChildren<QAbstractButton *>())
            if (b->isChecked())
                ids.push_back(b->objectName().toInt());
        for (QComboBox *l : page->findChildren<QComboBox *>())
            if (l->currentIndex() >= 0)
                ids.push_back(l->objectName().toInt() * 10 + l->currentIndex());
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    TestConsole console;
    ui::MessageCapture messages;
    QWidget host;
    CMultiviewPanel *panel = nullptr;
    CSettingPage *page = nullptr;
};

TEST_F(SettingPageTest, ControlsStartClearUnderTheirCaptions) {
    struct Control {
        int id;
        QString caption, box;
    };
    std::vector<Control> controls{{1339, "Follow the input", "Deembedded Audio Mode"},
                                  {1340, "Follow the output", "Deembedded Audio Mode"},
                                  {1341, "Independent routing", "Deembedded Audio Mode"}};
    for (int i = 0; i < 9; ++i) {
        const QString out = QString("Out%1").arg(i + 1);
        controls.push_back({1256 + i, out, ""}); // "IR Emitter from:"
        controls.push_back({1344 + i, out, ""}); // "RS232 Routed To:"
        controls.push_back({1330 + i, QString("HDBT%1").arg(i + 1), "Matrix IR control"});
        controls.push_back({Page::audioOnId(i + 1), "On", out});
        controls.push_back({Page::audioMuteId(i + 1), "Mute", out});
        if (i < 4)
            controls.push_back({1363 + i, QString("IR.ext%1").arg(i + 1), "Matrix IR control"});
    }
    for (const Control &c : controls) {
        ASSERT_NE(button(c.id), nullptr) << c.id;
        EXPECT_EQ(button(c.id)->text(), c.caption) << c.id;
        auto *box = qobject_cast<QGroupBox *>(button(c.id)->parentWidget());
        EXPECT_EQ(box ? box->title() : QString(), c.box) << c.id;
    }
    EXPECT_EQ(Page::audioMuteId(8), 1305);
    EXPECT_EQ(Page::audioOnId(9), 1342);
    for (int id : {1274, 1282, 1353, 1361, 1362}) {
        ASSERT_NE(list(id), nullptr) << id;
        const bool audio = id <= 1282;
        EXPECT_EQ(list(id)->count(), audio ? 9 : 4) << id;
        EXPECT_EQ(list(id)->itemText(audio ? 8 : 3), audio ? "From In9" : "4.IRext4") << id;
        EXPECT_EQ(list(id)->focusPolicy(), Qt::StrongFocus) << id; // the wheel guard
    }
    EXPECT_EQ(shown(), std::vector<int>{});
}

struct Action {
    const char *name;
    std::function<void(SettingPageTest &)> act;
    std::string text; // between the CR LF pairs
};

class SettingActionTest : public SettingPageTest, public testing::WithParamInterface<Action> {};

TEST_P(SettingActionTest, HandsOverOneExactText) {
    GetParam().act(*this);
    ASSERT_EQ(console.texts.size(), 1u);
    EXPECT_EQ(console.texts[0], "\r\n" + GetParam().text + "\r\n");
    EXPECT_TRUE(messages.messages().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Controls, SettingActionTest,
    testing::Values(
        Action{"FollowInput", [](SettingPageTest &t) { t.click(1339); }, "SET EXA MODE0"},
        Action{"Independent", [](SettingPageTest &t) { t.click(1341); }, "SET EXA MODE2"},
        Action{"Out1FromIn9", [](SettingPageTest &t) { t.choose(1274, 8); }, "SET OUT1 EAS IN9"},
        Action{"Out9FromIn1", [](SettingPageTest &t) { t.choose(1282, 0); }, "SET OUT9 EAS IN1"},
        Action{"MuteOut4", [](SettingPageTest &t) { t.click(1297); }, "SET 4 EXA DIS"},
        Action{"OnOut4", [](SettingPageTest &t) { t.click(1296); }, "SET 4 EXA EN "},
        Action{"MuteOut9", [](SettingPageTest &t) { t.click(1343); }, "SET 9 EXA DIS"},
        Action{"IrOut2From4", [](SettingPageTest &t) { t.choose(1354, 3); }, "SET IRT OUT2 IS IN4"},
        Action{"IrOut9From1", [](SettingPageTest &t) { t.choose(1361, 0); }, "SET IRT OUT9 IS IN1"},
        Action{"Hdbt2WithExt1",
               [](SettingPageTest &t) {
                   t.button(1363)->setChecked(true);
                   t.click(1331);
               },
               "SET IR EXT SW 0.1.0.0.0.0.0.0.0.1.0.0.0"},
        Action{"Emitter1And9",
               [](SettingPageTest &t) {
                   t.button(1256)->setChecked(true);
                   t.click(1264);
               },
               "SET IRC MUX 1.0.0.0.0.0.0.0.1"},
        Action{"Rs232Out2And5",
               [](SettingPageTest &t) {
                   t.button(1345)->setChecked(true);
                   t.click(1348);
               },
               "SET RS MUX 0.1.0.0.1.0.0.0.0"},
        Action{"Rs232Unchecked",
               [](SettingPageTest &t) {
                   t.button(1344)->setChecked(true);
                   t.click(1344);
               },
               "SET RS MUX 0.0.0.0.0.0.0.0.0"}),
    [](const testing::TestParamInfo<Action> &info) { return std::string(info.param.name); });

// One command for output 0; the nine lists then show the choice without sending it again.
TEST_F(SettingPageTest, AllFromSendsOnceAndFillsTheNineLists) {
    choose(1355, 1);
    console.texts.clear();
    choose(1362, 2);
    EXPECT_EQ(console.texts, std::vector<std::string>{"\r\nSET IRT OUT0 IS IN3\r\n"});
    for (int id = 1353; id <= 1362; ++id)
        EXPECT_EQ(list(id)->currentText(), "3.IRext3") << id;
}

// The panel's 1340..1355 are neither bound nor touched by the page, and the other way round.
TEST_F(SettingPageTest, LookupsStayInsideThePage) {
    std::vector<QWidget *> strangers;
    ui::Exchange::bindObserver() = [&](QWidget *dialog, QWidget *control) {
        if (dialog == page && ui::scopeOf(control) != page)
            strangers.push_back(control);
    };
    click(1340);     // "Follow the output"; the panel's "Input1"
    click(1343);     // "Mute" of output 9; the panel's "Input4"
    click(1350);     // RS-232 "Out7"; the panel's "Input7"
    choose(1355, 2); // IR route of output 3; the panel's audio output list
    ui::Exchange::bindObserver() = nullptr;
    EXPECT_TRUE(strangers.empty());
    for (int id : CMultiviewPanel::kQvInputIds)
        EXPECT_FALSE(ui::control<QRadioButton>(panel, id)->isChecked()) << id;
    EXPECT_EQ(ui::control<QComboBox>(panel, CMultiviewPanel::IDC_AUDIO_OUTPUT)->currentIndex(), -1);
    EXPECT_EQ(shown(), (std::vector<int>{1340, 1343, 1350, 13552}));
    EXPECT_EQ(console.texts.size(), 4u);
}

TEST_F(SettingPageTest, PortOffSendsNothingShowsNothingAndKeepsTheChange) {
    console.setPortOn(false);
    click(1341);
    choose(1274, 4);
    click(1297);
    choose(1362, 3);
    click(1331);
    click(1256);
    click(1344);
    EXPECT_TRUE(console.texts.empty());
    EXPECT_TRUE(messages.messages().isEmpty());
    EXPECT_EQ(shown(), (std::vector<int>{1256, 1297, 1331, 1341, 1344, 12744, 13533, 13543, 13553, 13563,
                                         13573, 13583, 13593, 13603, 13613, 13623}));
}

struct Replies {
    std::vector<const char *> lines;
    std::vector<int> shown;
};

class SettingReplyTest : public SettingPageTest, public testing::WithParamInterface<Replies> {};

// Replies fill the page and never send anything back.
TEST_P(SettingReplyTest, FillThePage) {
    for (const char *line : GetParam().lines)
        console.reply(line);
    EXPECT_EQ(shown(), GetParam().shown);
    EXPECT_TRUE(console.texts.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SettingReplyTest,
    testing::Values(Replies{{"OUT3 EAS IN7"}, {12766}},
                    Replies{{"OUT1 EAS IN0", "OUT2 EAS IN9"}, {12758}},                      // input 0: none
                    Replies{{"EXA MODE2"}, {1341}}, Replies{{"EXA MODE0", "EXA MODE7"}, {}}, // out of range
                    Replies{{"OUT4 EXA DIS"}, {}}, // shown after output 9 only
                    Replies{{"OUT4 EXA DIS", "OUT9 EXA EN"}, {1297, 1342}},
                    Replies{{"RS MUX 0.1.0.0.1.0.0.0.0"}, {1345, 1348}},
                    Replies{{"RS MUX 1.1"}, {1344, 1345}}, // a short line sets what it holds
                    Replies{{"IRT OUT2 IS IN4", "IRT OUT1 IS IN5"}, {13543}},
                    Replies{{"IR EXT SW 0.1.0.0.0.0.0.0.0.1.0.0.0"}, {1331, 1363}},
                    Replies{{"IR EXT SW 0.0.0.0.0.0.0.0.1.0.0.0.1"}, {1338, 1366}},
                    Replies{{"IRC MUX 1.0.0.0.0.0.0.0.1"}, {1256, 1264}})); // at once

// Per-output groups refresh the page after their ninth line only: until then a radio the operator
// clicked (whose member waits for the device) stays as it is.
TEST_F(SettingPageTest, PerOutputGroupsRefreshAfterTheirNinthLine) {
    console.setPortOn(false);
    for (const char *group : {"OUT%1 EAS IN2", "OUT%1 EXA EN", "IRT OUT%1 IS IN2"}) {
        click(1340);
        for (int output = 1; output <= 9; ++output) {
            EXPECT_TRUE(button(1340)->isChecked()) << group << output;
            console.reply(QString(group).arg(output).toStdString());
        }
        EXPECT_FALSE(button(1340)->isChecked()) << group;
    }
    for (int output = 1; output <= 9; ++output) {
        EXPECT_EQ(list(1273 + output)->currentIndex(), 1);
        EXPECT_EQ(list(1352 + output)->currentIndex(), 1);
        EXPECT_TRUE(button(Page::audioOnId(output))->isChecked());
    }
}

// The next click after an "IRC MUX" reply keeps the emitters the device reported.
TEST_F(SettingPageTest, EmitterClickKeepsWhatTheDeviceReported) {
    console.reply("IRC MUX 1.0.1.0.0.0.0.0.0");
    click(1264);
    EXPECT_EQ(console.texts, std::vector<std::string>{"\r\nSET IRC MUX 1.0.1.0.0.0.0.0.1\r\n"});
}

} // namespace
