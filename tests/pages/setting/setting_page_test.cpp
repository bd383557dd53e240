// The SETTING page: every control with its identifier and caption, the exact text each operator
// action hands over, and the replies that fill the page.
#include "pages/multiview/CMultiviewPanel.h"
#include "pages/setting/CSettingPage.h"
#include "ui/Controls.h"
#include "ui/Exchange.h"
#include "ui/MessageBox.h"

#include "FakeConsole.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Page = CSettingPage;

class SettingPageTest : public testing::Test {
public:
    void SetUp() override {
        // The page beside the multiview panel, as in the console window: both use 1340..1355.
        host.setLayout(new QHBoxLayout);
        panel = new CMultiviewPanel(&console, &host);
        page = new CSettingPage(&console, &host);
        host.layout()->addWidget(panel);
        host.layout()->addWidget(page);
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    }

    template <class W> W *control(int id) {
        W *w = ui::control<W>(page, id);
        EXPECT_NE(w, nullptr) << id;
        return w;
    }
    QComboBox *list(int id) { return control<QComboBox>(id); }
    bool checked(int id) { return control<QAbstractButton>(id)->isChecked(); }
    // Clicks on the indicator: a button stretched by its layout ignores clicks in its empty part.
    void click(int id) {
        QAbstractButton *b = control<QAbstractButton>(id);
        ASSERT_NE(b, nullptr);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }
    void choose(int id, int index) {
        QComboBox *c = list(id);
        c->setCurrentIndex(index);
        emit c->activated(index);
    }
    std::string sentOnly() {
        EXPECT_EQ(console.texts.size(), 1u);
        return console.texts.empty() ? std::string() : console.texts.back();
    }

    FakeConsole console;
    ui::MessageCapture messages;
    QWidget host;
    CMultiviewPanel *panel = nullptr;
    CSettingPage *page = nullptr;
};

struct ControlCase {
    int id;
    QString caption;
    QString box; // caption of the group box it sits in, "" for none
};

// Every check box and radio with its caption and group; each starts clear.
TEST_F(SettingPageTest, ControlsCarryTheirIdentifiersAndCaptionsAndStartClear) {
    std::vector<ControlCase> cases{{1339, "Follow the input", "Deembedded Audio Mode"},
                                   {1340, "Follow the output", "Deembedded Audio Mode"},
                                   {1341, "Independent routing", "Deembedded Audio Mode"}};
    for (int i = 0; i < 4; ++i)
        cases.push_back({1363 + i, QString("IR.ext%1").arg(i + 1), "Matrix IR control"});
    for (int i = 0; i < 9; ++i) {
        const QString out = QString("Out%1").arg(i + 1);
        cases.push_back({1256 + i, out, ""});
        cases.push_back({1344 + i, out, ""});
        cases.push_back({1330 + i, QString("HDBT%1").arg(i + 1), "Matrix IR control"});
        cases.push_back({Page::audioOnId(i + 1), "On", out});
        cases.push_back({Page::audioMuteId(i + 1), "Mute", out});
    }
    for (const ControlCase &c : cases) {
        SCOPED_TRACE(c.id);
        QAbstractButton *b = control<QAbstractButton>(c.id);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->text(), c.caption);
        EXPECT_FALSE(b->isChecked());
        auto *box = qobject_cast<QGroupBox *>(b->parentWidget());
        EXPECT_EQ(box ? box->title() : QString(), c.box);
    }
    EXPECT_EQ(Page::audioOnId(9), 1342);
    EXPECT_EQ(Page::audioMuteId(8), 1305);
    for (const char *label : {"IR Emitter from:", "RS232 Routed To:", "IR signal From:", "All from:", "Out1:",
                              "Out9:", "Out1 from:", "Out9 from:"})
        EXPECT_NE(ui::control<QLabel>(page, QString::fromLatin1(label)), nullptr) << label;
    EXPECT_NE(ui::control<QGroupBox>(page, QStringLiteral("HDBT IR Out (to TV) Route Setting")), nullptr);
    EXPECT_NE(ui::control<QGroupBox>(page, QStringLiteral("Deembedded audio On/Mute")), nullptr);
    EXPECT_NE(ui::control<QGroupBox>(page, QStringLiteral("Independent Audio Routing")), nullptr);
}

TEST_F(SettingPageTest, ListsHoldTheirItemsWithNothingSelected) {
    const QStringList audio{"From In1", "From In2", "From In3", "From In4", "From In5",
                            "From In6", "From In7", "From In8", "From In9"};
    const QStringList ir{"1.IRext1", "2.IRext2", "3.IRext3", "4.IRext4"};
    for (int id = 1274; id <= 1362; ++id) {
        if (id > 1282 && id < 1353)
            continue;
        QComboBox *c = list(id);
        ASSERT_NE(c, nullptr);
        QStringList items;
        for (int i = 0; i < c->count(); ++i)
            items << c->itemText(i);
        EXPECT_EQ(items, id <= 1282 ? audio : ir) << id;
        EXPECT_EQ(c->currentIndex(), -1) << id;
        EXPECT_EQ(c->focusPolicy(), Qt::StrongFocus) << id; // the wheel guard
    }
}

struct ActionCase {
    const char *name;
    std::function<void(SettingPageTest &)> act;
    const char *text; // between the CR LF pairs
};

void PrintTo(const ActionCase &c, std::ostream *os) {
    *os << c.name;
}

class SettingActionTest : public SettingPageTest, public testing::WithParamInterface<ActionCase> {};

// Each action hands over exactly one text; its length and, for device 5, its prefixed line.
TEST_P(SettingActionTest, SendsExactBytes) {
    const ActionCase &c = GetParam();
    console.device = 5;
    c.act(*this);
    const std::string body = c.text;
    EXPECT_EQ(sentOnly(), "\r\n" + body + "\r\n");
    EXPECT_EQ(console.takeWire(), "\r\nA05 " + body + "\r\n");
    EXPECT_TRUE(messages.messages().isEmpty());
    EXPECT_TRUE(console.frames.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Controls, SettingActionTest,
    testing::Values(
        ActionCase{"FollowInput", [](SettingPageTest &t) { t.click(1339); }, "SET EXA MODE0"},
        ActionCase{"FollowOutput", [](SettingPageTest &t) { t.click(1340); }, "SET EXA MODE1"},
        ActionCase{"Independent", [](SettingPageTest &t) { t.click(1341); }, "SET EXA MODE2"},
        ActionCase{"Out1FromIn9", [](SettingPageTest &t) { t.choose(1274, 8); }, "SET OUT1 EAS IN9"},
        ActionCase{"Out9FromIn1", [](SettingPageTest &t) { t.choose(1282, 0); }, "SET OUT9 EAS IN1"},
        ActionCase{"MuteOut4", [](SettingPageTest &t) { t.click(1297); }, "SET 4 EXA DIS"},
        ActionCase{"OnOut4", [](SettingPageTest &t) { t.click(1296); }, "SET 4 EXA EN "},
        ActionCase{"MuteOut9", [](SettingPageTest &t) { t.click(1343); }, "SET 9 EXA DIS"},
        ActionCase{"OnOut1", [](SettingPageTest &t) { t.click(1290); }, "SET 1 EXA EN "},
        ActionCase{"IrOut2From4", [](SettingPageTest &t) { t.choose(1354, 3); }, "SET IRT OUT2 IS IN4"},
        ActionCase{"IrOut9From1", [](SettingPageTest &t) { t.choose(1361, 0); }, "SET IRT OUT9 IS IN1"},
        ActionCase{"IrAllFrom3", [](SettingPageTest &t) { t.choose(1362, 2); }, "SET IRT OUT0 IS IN3"},
        ActionCase{"Hdbt2",
                   [](SettingPageTest &t) {
                       t.control<QCheckBox>(1363)->setChecked(true);
                       t.click(1331);
                   },
                   "SET IR EXT SW 0.1.0.0.0.0.0.0.0.1.0.0.0"},
        ActionCase{"IrExt4", [](SettingPageTest &t) { t.click(1366); },
                   "SET IR EXT SW 0.0.0.0.0.0.0.0.0.0.0.0.1"},
        ActionCase{"Emitter1And9",
                   [](SettingPageTest &t) {
                       t.control<QCheckBox>(1256)->setChecked(true);
                       t.click(1264);
                   },
                   "SET IRC MUX 1.0.0.0.0.0.0.0.1"},
        ActionCase{"Rs232Out2And5",
                   [](SettingPageTest &t) {
                       t.control<QCheckBox>(1345)->setChecked(true);
                       t.click(1348);
                   },
                   "SET RS MUX 0.1.0.0.1.0.0.0.0"},
        // Unchecking sends the row without that flag.
        ActionCase{"Rs232Uncheck",
                   [](SettingPageTest &t) {
                       for (int id = 1344; id <= 1352; ++id)
                           t.control<QCheckBox>(id)->setChecked(true);
                       t.click(1352);
                   },
                   "SET RS MUX 1.1.1.1.1.1.1.1.0"}),
    [](const testing::TestParamInfo<ActionCase> &info) { return std::string(info.param.name); });

TEST_F(SettingPageTest, CommandLengths) {
    click(1297);
    click(1296);
    choose(1274, 8);
    choose(1354, 3);
    click(1331);
    click(1256);
    click(1344);
    click(1341);
    std::vector<std::size_t> lengths;
    for (const std::string &t : console.texts)
        lengths.push_back(t.size());
    EXPECT_EQ(lengths, (std::vector<std::size_t>{17, 17, 20, 23, 43, 33, 32, 17}));
}

TEST_F(SettingPageTest, AllFromFillsTheNineListsWithoutSendingThemAgain) {
    choose(1355, 1);
    console.texts.clear();
    choose(1362, 2);
    EXPECT_EQ(sentOnly(), "\r\nSET IRT OUT0 IS IN3\r\n");
    for (int id = 1353; id <= 1361; ++id) {
        EXPECT_EQ(list(id)->currentIndex(), 2) << id;
        EXPECT_EQ(list(id)->currentText(), "3.IRext3") << id;
    }
    EXPECT_EQ(list(1362)->currentText(), "3.IRext3");
}

// The multiview panel's controls 1340..1355 are neither bound nor touched by the page.
TEST_F(SettingPageTest, LookupsStayInsideThePage) {
    std::vector<QWidget *> strangers;
    ui::Exchange::bindObserver() = [&](QWidget *dialog, QWidget *control) {
        if (dialog == page && ui::scopeOf(control) != page)
            strangers.push_back(control);
    };
    page->UpdateData(true);
    page->UpdateData(false);
    click(1340);     // "Follow the output"; the panel's "Input1"
    click(1343);     // "Mute" of output 9; the panel's "Input4"
    click(1350);     // RS-232 "Out7"; the panel's "Input7"
    choose(1355, 2); // IR route of output 3; the panel's audio output list
    ui::Exchange::bindObserver() = nullptr;
    EXPECT_TRUE(strangers.empty());
    for (int id : CMultiviewPanel::kQvInputIds)
        EXPECT_FALSE(ui::control<QRadioButton>(panel, id)->isChecked()) << id;
    EXPECT_EQ(ui::control<QComboBox>(panel, CMultiviewPanel::IDC_AUDIO_OUTPUT)->currentIndex(), -1);
    EXPECT_EQ(console.texts, (std::vector<std::string>{"\r\nSET EXA MODE1\r\n", "\r\nSET 9 EXA DIS\r\n",
                                                       "\r\nSET RS MUX 0.0.0.0.0.0.1.0.0\r\n",
                                                       "\r\nSET IRT OUT3 IS IN3\r\n"}));
}

TEST_F(SettingPageTest, PortOffSendsNothingShowsNothingAndKeepsTheChange) {
    console.portOn = false;
    click(1341);
    choose(1274, 4);
    click(1297);
    choose(1354, 1);
    choose(1362, 3);
    click(1331);
    click(1256);
    click(1344);
    EXPECT_TRUE(console.texts.empty());
    EXPECT_TRUE(messages.messages().isEmpty());
    EXPECT_TRUE(checked(1341));
    EXPECT_EQ(list(1274)->currentIndex(), 4);
    EXPECT_TRUE(checked(1297));
    EXPECT_EQ(list(1354)->currentIndex(), 3); // then "All from:" filled it
    for (int id : {1331, 1256, 1344})
        EXPECT_TRUE(checked(id)) << id;
}

struct ReplyCase {
    std::vector<const char *> lines;
    std::vector<int> checkedIds;            // check boxes and radios checked afterwards (all others clear)
    std::vector<std::pair<int, int>> lists; // list and its selection afterwards (all others none)
};

void PrintTo(const ReplyCase &c, std::ostream *os) {
    for (const char *l : c.lines)
        *os << "[" << l << "]";
}

class SettingReplyTest : public SettingPageTest, public testing::WithParamInterface<ReplyCase> {};

// Replies fill the page and send nothing back.
TEST_P(SettingReplyTest, FillThePage) {
    const ReplyCase &c = GetParam();
    for (const char *line : c.lines)
        console.reply(line);
    std::vector<int> checkedIds;
    for (QAbstractButton *b : page->findChildren<QAbstractButton *>())
        if (b->isChecked())
            checkedIds.push_back(b->objectName().toInt());
    std::sort(checkedIds.begin(), checkedIds.end());
    EXPECT_EQ(checkedIds, c.checkedIds);
    std::vector<std::pair<int, int>> lists;
    for (QComboBox *l : page->findChildren<QComboBox *>())
        if (l->currentIndex() != -1)
            lists.push_back({l->objectName().toInt(), l->currentIndex()});
    std::sort(lists.begin(), lists.end());
    EXPECT_EQ(lists, c.lists);
    EXPECT_TRUE(console.texts.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SettingReplyTest,
    testing::Values(ReplyCase{{"OUT3 EAS IN7"}, {}, {{1276, 6}}},
                    ReplyCase{{"OUT1 EAS IN0", "OUT2 EAS IN9"}, {}, {{1275, 8}}}, // input 0: no selection
                    ReplyCase{{"EXA MODE2"}, {1341}, {}}, ReplyCase{{"EXA MODE0", "EXA MODE7"}, {}, {}},
                    // On/mute shows once output 9 has reported.
                    ReplyCase{{"OUT4 EXA DIS"}, {}, {}},
                    ReplyCase{{"OUT4 EXA DIS", "OUT9 EXA EN"}, {1297, 1342}, {}},
                    ReplyCase{{"RS MUX 0.1.0.0.1.0.0.0.0"}, {1345, 1348}, {}},
                    ReplyCase{{"RS MUX 1.1"}, {1344, 1345}, {}}, // a short line sets what it holds
                    ReplyCase{{"IRT OUT2 IS IN4", "IRT OUT1 IS IN5"}, {}, {{1354, 3}}},
                    ReplyCase{{"IR EXT SW 0.1.0.0.0.0.0.0.0.1.0.0.0"}, {1331, 1363}, {}},
                    ReplyCase{{"IR EXT SW 1.1.1.1.1.1.1.1.1.0.0.0.1"},
                              {1330, 1331, 1332, 1333, 1334, 1335, 1336, 1337, 1338, 1366},
                              {}},
                    // The emitters show at once, without waiting for another reply.
                    ReplyCase{{"IRC MUX 1.0.0.0.0.0.0.0.1"}, {1256, 1264}, {}}));

// Per-output groups refresh the page only after their ninth line: until then a radio clicked by
// the operator (not yet confirmed) stays as it is.
TEST_F(SettingPageTest, PerOutputGroupsRefreshAfterTheirNinthLine) {
    console.portOn = false;
    for (const char *group : {"OUT%1 EAS IN2", "OUT%1 EXA EN", "IRT OUT%1 IS IN2"}) {
        SCOPED_TRACE(group);
        click(1340); // the mode member stays unset until a reply
        for (int output = 1; output <= 8; ++output)
            console.reply(QString::fromLatin1(group).arg(output).toStdString());
        EXPECT_TRUE(checked(1340));
        console.reply(QString::fromLatin1(group).arg(9).toStdString());
        EXPECT_FALSE(checked(1340));
    }
    for (int output = 1; output <= 9; ++output) {
        EXPECT_EQ(list(1273 + output)->currentIndex(), 1);
        EXPECT_EQ(list(1352 + output)->currentIndex(), 1);
        EXPECT_TRUE(checked(Page::audioOnId(output)));
    }
}

// A click after an "IRC MUX" reply sends the reported emitters with the new one, not stale flags.
TEST_F(SettingPageTest, EmitterClickKeepsWhatTheDeviceReported) {
    console.reply("IRC MUX 1.0.1.0.0.0.0.0.0");
    click(1264);
    EXPECT_EQ(sentOnly(), "\r\nSET IRC MUX 1.0.1.0.0.0.0.0.1\r\n");
}

} // namespace
