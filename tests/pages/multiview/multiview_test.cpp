// The multiview panel: MV mode, quick-view windows and sources, MV audio, with the exact bytes that
// reach the line and the replies that update it.
#include "pages/multiview/CMultiviewPanel.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"

#include "TestConsole.h"

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

namespace {

class Multiview : public ::testing::Test {
protected:
    void SetUp() override {
        m_fake.setPortOn(false);
        m_fake.setDeviceByte(0);
        m_panel = std::make_unique<CMultiviewPanel>(&m_fake);
        m_panel->show();
    }

    CMultiviewPanel &dlg() { return *m_panel; }
    void portOn() { m_fake.setPortOn(true); }
    // The next bytes on the line must be exactly this text.
    void expectSent(const std::string &text) { EXPECT_EQ(m_fake.takeWire(), text); }
    void expectNothingSent() { EXPECT_EQ(m_fake.takeWire(), ""); }
    void reply(const std::string &line) { m_fake.reply(line); }
    void clickRadio(int id) {
        // Click on the indicator: a radio stretched by its layout ignores clicks in its empty part.
        auto *radio = ui::control<QRadioButton>(&dlg(), id);
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));
    }
    bool radioChecked(int id) { return ui::control<QRadioButton>(&dlg(), id)->isChecked(); }
    int checkedInput() {
        for (std::size_t i = 0; i < CMultiviewPanel::kQvInputIds.size(); ++i)
            if (radioChecked(CMultiviewPanel::kQvInputIds[i]))
                return static_cast<int>(i);
        return -1;
    }
    void chooseAudio(int comboId, int index) {
        QComboBox *c = ui::control<QComboBox>(&dlg(), comboId);
        c->setCurrentIndex(index);
        emit c->activated(index);
    }
    int audioIndex(int comboId) { return ui::control<QComboBox>(&dlg(), comboId)->currentIndex(); }
    QString mvCaption() { return ui::control<QPushButton>(&dlg(), CMultiviewPanel::IDC_MV_BUTTON)->text(); }
    int mvIcon() {
        return ui::control<QToolButton>(&dlg(), CMultiviewPanel::IDC_MV_ICON)->property("iconId").toInt();
    }

    ui::MessageCapture m_messages;
    TestConsole m_fake;
    std::unique_ptr<CMultiviewPanel> m_panel;
};

} // namespace

TEST_F(Multiview, ModeButtonAndIconShareOneMode) {
    EXPECT_EQ(mvCaption(), "Change to 2x2");
    EXPECT_EQ(mvIcon(), 181);
    // Port off: the display and the state change, nothing goes out.
    QTest::mouseClick(ui::control<QPushButton>(&dlg(), CMultiviewPanel::IDC_MV_BUTTON), Qt::LeftButton);
    EXPECT_EQ(mvCaption(), "Change to 3x3");
    EXPECT_EQ(mvIcon(), 180);
    EXPECT_EQ(dlg().mvMode(), 1);
    portOn();
    expectNothingSent();

    QTest::mouseClick(ui::control<QPushButton>(&dlg(), CMultiviewPanel::IDC_MV_BUTTON), Qt::LeftButton);
    expectSent("\r\nA00 SET MVW MODE0\r\n");
    EXPECT_EQ(mvCaption(), "Change to 2x2");
    QTest::mouseClick(ui::control<QPushButton>(&dlg(), CMultiviewPanel::IDC_MV_BUTTON), Qt::LeftButton);
    expectSent("\r\nA00 SET MVW MODE1\r\n");
    QTest::mouseClick(ui::control<QToolButton>(&dlg(), CMultiviewPanel::IDC_MV_ICON), Qt::LeftButton);
    expectSent("\r\nA00 SET QVW MODE0\r\n");
    EXPECT_EQ(mvCaption(), "Change to 2x2");
    EXPECT_EQ(mvIcon(), 181);

    // The device's report wins, whatever the console showed.
    reply("MVW MODE1");
    EXPECT_EQ(mvCaption(), "Change to 3x3");
    EXPECT_EQ(mvIcon(), 180);
    reply("MVW MODE0");
    EXPECT_EQ(dlg().mvMode(), 0);
    EXPECT_TRUE(m_messages.messages().isEmpty());
}

TEST_F(Multiview, QuickViewWindowsShowAndSwapTheirSources) {
    // Before any report no input radio is set, whichever window is chosen.
    clickRadio(CMultiviewPanel::IDC_QV_WINDOW1 + 1);
    EXPECT_EQ(checkedInput(), -1);

    reply("QVW VS 3.5.1.2");
    EXPECT_EQ(dlg().qvSources(), (std::array<int, 4>{2, 4, 0, 1}));
    // Window 2 was chosen, so the report shows window 2's input.
    EXPECT_TRUE(radioChecked(CMultiviewPanel::IDC_QV_WINDOW1 + 1));
    EXPECT_EQ(checkedInput(), 4);
    clickRadio(CMultiviewPanel::IDC_QV_WINDOW1 + 3);
    EXPECT_EQ(checkedInput(), 1);

    portOn();
    // Window 1 takes input 5, which window 2 showed: the two swap.
    clickRadio(CMultiviewPanel::IDC_QV_WINDOW1);
    clickRadio(CMultiviewPanel::kQvInputIds[4]);
    expectSent("\r\nA00 SET QVW VS 5.3.1.2\r\n");
    EXPECT_EQ(dlg().qvSources(), (std::array<int, 4>{4, 2, 0, 1}));
    // An input no other window shows just replaces the window's own.
    clickRadio(CMultiviewPanel::IDC_QV_WINDOW1 + 2);
    clickRadio(CMultiviewPanel::kQvInputIds[8]);
    expectSent("\r\nA00 SET QVW VS 5.3.9.2\r\n");
}

TEST_F(Multiview, QuickViewReportWithNoWindowChosenSelectsWindowOne) {
    reply("QVW VS 7.1.2.3");
    EXPECT_TRUE(radioChecked(CMultiviewPanel::IDC_QV_WINDOW1));
    EXPECT_EQ(checkedInput(), 6);
}

TEST_F(Multiview, QuickViewSourceBeforeAnyReportSendsUnknownsAsZero) {
    portOn();
    clickRadio(CMultiviewPanel::IDC_QV_WINDOW1 + 1);
    clickRadio(CMultiviewPanel::kQvInputIds[5]);
    expectSent("\r\nA00 SET QVW VS 0.6.0.0\r\n");
}

TEST_F(Multiview, AudioChoicesFollowTheTableRule) {
    portOn();
    // No output chosen yet: an input choice has nothing to address.
    chooseAudio(CMultiviewPanel::IDC_AUDIO_INPUT, 4);
    expectNothingSent();

    chooseAudio(CMultiviewPanel::IDC_AUDIO_OUTPUT, 0);
    chooseAudio(CMultiviewPanel::IDC_AUDIO_INPUT, 9);
    expectSent("\r\nA00 SET OUT0 MAS IN10\r\n");
    EXPECT_EQ(dlg().mvAudioTable(), (std::array<int, 10>{10, 10, 10, 10, 10, 10, 10, 10, 10, 10}));

    struct Step {
        int output, input;
        std::string sent;
        int entry0;
    };
    const Step steps[] = {
        {3, 4, "\r\nA00 SET OUT3 MAS IN5 \r\n", -1}, // differs from "all": entry 0 unknown
        {3, 9, "\r\nA00 SET OUT3 MAS IN10\r\n", -1}, // entry 0 stays unknown until a choice for all
        {0, 0, "\r\nA00 SET OUT0 MAS IN1 \r\n", 1},
        {5, 0, "\r\nA00 SET OUT5 MAS IN1 \r\n", 1}, // equal to entry 0: it stays
    };
    for (const Step &s : steps) {
        chooseAudio(CMultiviewPanel::IDC_AUDIO_OUTPUT, s.output);
        chooseAudio(CMultiviewPanel::IDC_AUDIO_INPUT, s.input);
        expectSent(s.sent);
        EXPECT_EQ(dlg().mvAudioTable()[static_cast<std::size_t>(s.output)], s.input + 1) << s.sent;
        EXPECT_EQ(dlg().mvAudioTable()[0], s.entry0) << s.sent;
    }
}

TEST_F(Multiview, AudioOutputChoiceShowsItsEntry) {
    chooseAudio(CMultiviewPanel::IDC_AUDIO_OUTPUT, 4);
    EXPECT_EQ(audioIndex(CMultiviewPanel::IDC_AUDIO_INPUT), -1); // unknown entry: no selection
    reply("OUT4 MAS IN7");
    chooseAudio(CMultiviewPanel::IDC_AUDIO_OUTPUT, 4);
    EXPECT_EQ(audioIndex(CMultiviewPanel::IDC_AUDIO_INPUT), 6);
}

TEST_F(Multiview, AudioReportsSettleTheListsAfterOutputNine) {
    for (int out = 1; out <= 9; ++out)
        reply("OUT" + std::to_string(out) + " MAS IN10");
    EXPECT_EQ(audioIndex(CMultiviewPanel::IDC_AUDIO_OUTPUT), 0);
    EXPECT_EQ(audioIndex(CMultiviewPanel::IDC_AUDIO_INPUT), 9);
    EXPECT_EQ(dlg().mvAudioTable()[0], 10);

    // One output differs: "all" is unknown; the chosen output ("0. All") keeps its place but shows
    // nothing, since its entry is unknown.
    for (int out = 1; out <= 9; ++out)
        reply("OUT" + std::to_string(out) + (out == 6 ? " MAS IN2 " : " MAS IN3 "));
    EXPECT_EQ(dlg().mvAudioTable()[0], -1);
    EXPECT_EQ(audioIndex(CMultiviewPanel::IDC_AUDIO_OUTPUT), 0);
    EXPECT_EQ(audioIndex(CMultiviewPanel::IDC_AUDIO_INPUT), -1);
}

TEST_F(Multiview, DifferingAudioReportsWithNoOutputChosenShowOutputOne) {
    for (int out = 1; out <= 9; ++out)
        reply("OUT" + std::to_string(out) + " MAS IN" + std::to_string(out) + " ");
    EXPECT_EQ(audioIndex(CMultiviewPanel::IDC_AUDIO_OUTPUT), 1);
    EXPECT_EQ(audioIndex(CMultiviewPanel::IDC_AUDIO_INPUT), 0);
    // Lines before output 9 change the table but not the lists.
    reply("OUT1 MAS IN4 ");
    EXPECT_EQ(dlg().mvAudioTable()[1], 4);
    EXPECT_EQ(audioIndex(CMultiviewPanel::IDC_AUDIO_INPUT), 0);
}
