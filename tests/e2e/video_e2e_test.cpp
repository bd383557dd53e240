// The VIDEO page and the multiview column against korvex-sim: clicks change the device, and what
// the device reports, asked or not, shows on the page.
#include "ConsoleFixture.h"

#include "pages/multiview/CMultiviewPanel.h"
#include "pages/video/CVideoPage.h"

#include <QJsonArray>
#include <QLineEdit>
#include <QRadioButton>

class VideoE2E : public ConsoleFixture {
protected:
    void SetUp() override {
        ConsoleFixture::SetUp();
        writeAddressTable({1});
        startSim(1);
        click(CConsoleDlg::IDC_PORT_BUTTON);
        ASSERT_TRUE(console().portOn());
        choose(CConsoleDlg::IDC_ADDRESS_LIST, 1); // device 01, and its status
        ASSERT_TRUE(testsupport::waitFor([&] { return page().outputSelection(9) == 8; }));
    }
    CVideoPage &page() { return *console().findPage<CVideoPage>(); }
    QRadioButton *radio(int row, int column) {
        return ui::control<QRadioButton>(&page(), CVideoPage::radioId(row, column));
    }
    void clickRadio(int row, int column) {
        QRadioButton *r = radio(row, column);
        QTest::mouseClick(r, Qt::LeftButton, {}, QPoint(6, r->height() / 2));
    }
    QJsonObject device() { return testsupport::simDevice(testsupport::readSimState(stateFile(1)), 1); }
    int simRouting(int output) { return device()["routing"].toArray().at(output - 1).toInt(-100); }
    QLineEdit *edit(int id) { return ui::control<QLineEdit>(&page(), id); }
};

TEST_F(VideoE2E, ClickRoutesOnTheDeviceAndTheRowShowsTheReply) {
    clickRadio(2, 6); // "Out3", "in7"
    ASSERT_TRUE(testsupport::waitFor([&] { return simRouting(3) == 6; }));
    EXPECT_TRUE(testsupport::waitFor([&] { return page().outputSelection(3) == 6; }));
    EXPECT_TRUE(radio(2, 6)->isChecked());
    EXPECT_TRUE(testsupport::waitFor([&] { return logHas(1, "A01 SET OUT3 VS IN7 "); }));

    clickRadio(8, 9); // "Out9", "MV"
    ASSERT_TRUE(testsupport::waitFor([&] { return simRouting(9) == 9; }));
    EXPECT_TRUE(testsupport::waitFor([&] { return radio(8, 9)->isChecked(); }));

    // The all-outputs row changes every output; each row follows the nine replies.
    clickRadio(9, 1);
    EXPECT_TRUE(testsupport::waitFor([&] {
        for (int out = 1; out <= 9; ++out)
            if (page().outputSelection(out) != 1)
                return false;
        return true;
    }));
    EXPECT_TRUE(testsupport::waitFor([&] {
        for (int out = 1; out <= 9; ++out)
            if (simRouting(out) != 1)
                return false;
        return true;
    }));
}

TEST_F(VideoE2E, BorderUpdateReachesTheDeviceAndComesBack) {
    edit(CVideoPage::IDC_WIDTH)->setText("15");
    edit(CVideoPage::IDC_RED)->setText("255");
    edit(CVideoPage::IDC_GREEN)->setText("0");
    edit(CVideoPage::IDC_BLUE)->setText("128");
    QTest::mouseClick(ui::control<QPushButton>(&page(), CVideoPage::IDC_UPDATE), Qt::LeftButton);
    // The two lines are two commands to the simulator: wait for both.
    EXPECT_TRUE(testsupport::waitFor([&] {
        const QJsonObject d = device();
        return d["borderWidth"].toInt() == 15 && d["borderColour"].toArray() == QJsonArray{255, 0, 128};
    }));
    EXPECT_TRUE(testsupport::waitFor(
        [&] { return logHas(1, "A01 SET BLW 015") && logHas(1, "A01 SET BLC 255.000.128"); }));
    EXPECT_TRUE(m_messages->messages().isEmpty());
}

TEST_F(VideoE2E, StatusFillsThePageAndTheMultiviewColumn) {
    testsupport::SimProcess &sim = *m_sims.front();
    for (const char *line : {"A01 SET OUT2 VS IN5 ", "A01 SET BLW 009", "A01 SET BLC 001.002.003",
                             "A01 SET MVW MODE1", "A01 SET QVW VS 9.8.7.6", "A01 SET OUT0 MAS IN4 "})
        ASSERT_TRUE(sim.inject(line));
    // Those changes arrive unasked; then ask again for everything.
    choose(CConsoleDlg::IDC_ADDRESS_LIST, 1);
    EXPECT_TRUE(testsupport::waitFor(
        [&] { return page().borderBlue() == 3 && console().multiview()->mvAudioTable()[0] == 4; }));
    EXPECT_EQ(page().outputSelection(2), 4);
    EXPECT_EQ(edit(CVideoPage::IDC_WIDTH)->text(), "9");
    EXPECT_EQ(edit(CVideoPage::IDC_RED)->text(), "1");
    EXPECT_EQ(edit(CVideoPage::IDC_GREEN)->text(), "2");
    EXPECT_EQ(edit(CVideoPage::IDC_BLUE)->text(), "3");
    EXPECT_EQ(console().multiview()->mvMode(), 1);
    EXPECT_EQ(ui::control<QPushButton>(console().multiview(), CMultiviewPanel::IDC_MV_BUTTON)->text(),
              "Change to 3x3");
    EXPECT_EQ(console().multiview()->qvSources(), (std::array<int, 4>{8, 7, 6, 5}));
    EXPECT_TRUE(
        ui::control<QRadioButton>(console().multiview(), CMultiviewPanel::IDC_QV_WINDOW1)->isChecked());
    EXPECT_TRUE(
        ui::control<QRadioButton>(console().multiview(), CMultiviewPanel::kQvInputIds[8])->isChecked());
    EXPECT_EQ(
        ui::control<QComboBox>(console().multiview(), CMultiviewPanel::IDC_AUDIO_OUTPUT)->currentIndex(), 0);
    EXPECT_EQ(ui::control<QComboBox>(console().multiview(), CMultiviewPanel::IDC_AUDIO_INPUT)->currentIndex(),
              3);
}

TEST_F(VideoE2E, ChangeByAnotherControllerShowsUpUnasked) {
    ASSERT_TRUE(m_sims.front()->inject("A01 SET OUT6 VS IN2 "));
    EXPECT_TRUE(testsupport::waitFor([&] { return radio(5, 1)->isChecked(); }));
    EXPECT_EQ(page().outputSelection(6), 1);
}
