// The VIDEO WALL page against korvex-sim with two switchers on the line (01 and 05, the console
// talking to 01): panel lines reach the device of the panel's own address, the worked 2 x 2
// arrangement ends up on the device, rejected input sends nothing, and presets survive a restart
// and a round trip through a file.
#include "ConsoleFixture.h"
#include "WhenOpen.h"

#include "pages/wall/CPanelArrangeDlg.h"
#include "pages/wall/CPresetDlg.h"
#include "pages/wall/CVideoWallPage.h"
#include "pages/wall/CWallPanelEditor.h"
#include "pages/wall/CWallPresets.h"
#include "ui/FileDialog.h"
#include "wall/LayoutFile.h"

#include <QApplication>
#include <QComboBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>

#include <array>
#include <functional>

namespace {

using Page = CVideoWallPage;
using Editor = CWallPanelEditor;
using Presets = CWallPresets;
using Rect = std::array<int, 5>; // x1, y1, x2, y2, rotation as the device holds them
constexpr Rect kFullFrame{0, 0, 1919, 1079, 0};

// Runs `act` on the dialog of that type once it is open modally, inside its own event loop.
using testsupport::WhenOpen;

class WallE2E : public ConsoleFixture {
protected:
    void SetUp() override {
        ConsoleFixture::SetUp();
        writeAddressTable({1, 5});
        startSim(1, {"--addresses", "01,05"});
        click(CConsoleDlg::IDC_PORT_BUTTON);
        ASSERT_TRUE(console().portOn());
        choose(CConsoleDlg::IDC_ADDRESS_LIST, 1); // device 01 and its status
        ASSERT_TRUE(testsupport::waitFor([&] { return logHas(1, "A01 GET STA"); }));
        showWallTab();
    }

    void showWallTab() { ui::control<QTabWidget>(&console(), CConsoleDlg::IDC_TAB)->setCurrentIndex(1); }
    Page &page() { return *console().findPage<Page>(); }
    QLineEdit *edit(const char *name) { return ui::control<QLineEdit>(&page(), QString::fromLatin1(name)); }
    QPushButton *pageButton(const QString &name) { return ui::control<QPushButton>(&page(), name); }
    void press(const char *caption) {
        QTest::mouseClick(pageButton(QString::fromLatin1(caption)), Qt::LeftButton);
    }
    // Edits from `first` on, in page order (rows, columns, device, port, rotation, TL x, TL y,
    // RB x, RB y), get the space-separated values.
    void type(const char *values, int first = 0) {
        static const char *const edits[] = {Editor::kRowsEdit, Editor::kColumnsEdit,  Editor::kDeviceEdit,
                                            Editor::kPortEdit, Editor::kRotationEdit, Editor::kTlXEdit,
                                            Editor::kTlYEdit,  Editor::kRbXEdit,      Editor::kRbYEdit};
        const QStringList texts = QString::fromLatin1(values).split(' ');
        for (int i = 0; i < texts.size(); ++i)
            edit(edits[first + i])->setText(texts[i]);
    }
    // A single click, and the wait until the panel shows in the edits.
    void showPanel(const QString &name) {
        QTest::mouseClick(pageButton(name), Qt::LeftButton);
        ASSERT_TRUE(testsupport::waitFor([&] { return !page().panelClickPending(); }));
    }
    void doubleClickPanel(const QString &name) {
        QPushButton *b = pageButton(name);
        QTest::mouseClick(b, Qt::LeftButton);
        QTest::mouseDClick(b, Qt::LeftButton);
        QTest::mouseRelease(b, Qt::LeftButton);
    }
    QStringList corners() {
        return {edit(Editor::kTlXEdit)->text(), edit(Editor::kTlYEdit)->text(),
                edit(Editor::kRbXEdit)->text(), edit(Editor::kRbYEdit)->text()};
    }
    Rect wall(int address, int output) {
        const QJsonObject device = testsupport::simDevice(testsupport::readSimState(stateFile(1)), address);
        const QJsonObject w = device["wall"].toArray().at(output - 1).toObject();
        return {w["x1"].toInt(-1), w["y1"].toInt(-1), w["x2"].toInt(-1), w["y2"].toInt(-1),
                w["rotation"].toInt(-1)};
    }
    bool wallBecomes(int address, int output, const Rect &rect) {
        return testsupport::waitFor([&] { return wall(address, output) == rect; });
    }
    std::size_t wallLinesOnTheWire() {
        std::size_t n = 0;
        for (const std::string &line : testsupport::simLogEntries(logFile(1), "LINE"))
            n += line.find(" VW XYZ ") != std::string::npos;
        return n;
    }
    QComboBox *presetList() {
        return ui::control<QComboBox>(&page(), QString::fromLatin1(Presets::kPresetList));
    }
    // Opens "Preset Setting" from the page, runs `act` in it and closes it from its title bar.
    void inPresetDialog(const std::function<void(CPresetDlg &)> &act) {
        WhenOpen<CPresetDlg> when([&](CPresetDlg &dlg) {
            act(dlg);
            dlg.reject();
        });
        press(Presets::kSaveButton);
        EXPECT_TRUE(when.done());
    }
    static void savePreset(CPresetDlg &dlg, const QString &number, const QString &alias) {
        ui::control<QLineEdit>(&dlg, QStringLiteral("Preset Num:"))->setText(number);
        ui::control<QLineEdit>(&dlg, QStringLiteral("Aliabs:"))->setText(alias);
        QTest::mouseClick(ui::control<QPushButton>(&dlg, QStringLiteral("Save")), Qt::LeftButton);
    }
    void withChosenFile(CPresetDlg &dlg, const char *button, const std::string &file) {
        ui::FileDialogOverride chooser(
            [&](const QString &, const QString &) { return QString::fromStdString(m_cwd->file(file)); });
        QTest::mouseClick(ui::control<QPushButton>(&dlg, QString::fromLatin1(button)), Qt::LeftButton);
    }
};

TEST_F(WallE2E, UpdateAndDoubleClickReachThePanelsOwnDevice) {
    const char *line = "A05 SET OUT3 VW XYZ 0640.0000.1279.0359.090";
    showPanel("W12");
    type("5 3 90 641 1 1280 360", 2);
    press(Editor::kUpdateButton);
    EXPECT_TRUE(wallBecomes(5, 3, {640, 0, 1279, 359, 90}));
    EXPECT_EQ(wall(1, 3), kFullFrame) << "the console's own device 01 is not the panel's";
    EXPECT_TRUE(logHas(1, line));

    // Another controller puts the output back; a double click sends the stored panel again, once.
    ASSERT_TRUE(m_sims.front()->inject("A05 SET OUT3 VW XYZ 0000.0000.1919.1079.000"));
    ASSERT_TRUE(wallBecomes(5, 3, kFullFrame));
    showPanel("W11");
    doubleClickPanel("W12");
    EXPECT_TRUE(wallBecomes(5, 3, {640, 0, 1279, 359, 90}));
    EXPECT_EQ(page().currentPanel(), 1);
    EXPECT_EQ(edit(Editor::kDeviceEdit)->text(), "5");
    EXPECT_EQ(wallLinesOnTheWire(), 2u);
    EXPECT_EQ(wall(1, 3), kFullFrame);
    EXPECT_TRUE(m_messages->messages().isEmpty());
}

// Panels 160 x 90 inches with 0.3-inch gaps in 2 x 2: each panel gets its share of the frame less
// the picture behind the gaps, shows it, and sends it to its output of device 05.
TEST_F(WallE2E, WorkedTwoByTwoArrangementIsComputedShownAndSent) {
    type("2 2");
    WhenOpen<CPanelArrangeDlg> fill([](CPanelArrangeDlg &dlg) {
        const char *const values[][2] = {{"Panel Width:", "160"},
                                         {"Panel Height:", "90"},
                                         {"Overscan:", "0"},
                                         {"V Gap:", "0.3"},
                                         {"H Gap:", "0.3"}};
        for (const auto &[name, text] : values)
            ui::control<QLineEdit>(&dlg, QString::fromLatin1(name))->setText(QString::fromLatin1(text));
        QTest::mouseClick(ui::control<QPushButton>(&dlg, QStringLiteral("Save && Exit")), Qt::LeftButton);
    });
    press(Editor::kArrangeButton);
    ASSERT_TRUE(fill.done());
    for (const char *name : {"W11", "W12", "W21", "W22"})
        EXPECT_FALSE(pageButton(name)->isHidden()) << name;
    EXPECT_TRUE(pageButton("W13")->isHidden());
    EXPECT_TRUE(pageButton("W31")->isHidden());

    const struct {
        const char *button;
        QStringList shown; // TL x, TL y, RB x, RB y
        Rect onTheDevice;
    } panels[] = {
        {"W11", {"1", "1", "959", "539"}, {0, 0, 958, 538, 0}},
        {"W12", {"961", "1", "1920", "539"}, {960, 0, 1919, 538, 0}},
        {"W21", {"1", "541", "959", "1080"}, {0, 540, 958, 1079, 0}},
        {"W22", {"961", "541", "1920", "1080"}, {960, 540, 1919, 1079, 0}},
    };
    EXPECT_EQ(wallLinesOnTheWire(), 0u) << "computing sends nothing";
    int output = 0;
    for (const auto &p : panels) {
        SCOPED_TRACE(p.button);
        showPanel(p.button);
        EXPECT_EQ(corners(), p.shown);
        edit(Editor::kDeviceEdit)->setText("5");
        edit(Editor::kPortEdit)->setText(QString::number(++output));
        press(Editor::kUpdateButton);
        EXPECT_TRUE(wallBecomes(5, output, p.onTheDevice));
    }
    EXPECT_TRUE(m_messages->messages().isEmpty());
}

TEST_F(WallE2E, FullScreenSendsTheWholeFrameAndRejectionsSendNothing) {
    ASSERT_TRUE(m_sims.front()->inject("A05 SET OUT2 VW XYZ 0100.0100.0200.0200.000"));
    ASSERT_TRUE(wallBecomes(5, 2, {100, 100, 200, 200, 0}));
    type("5 2 180", 2);
    press(Editor::kFullScreenButton);
    EXPECT_TRUE(wallBecomes(5, 2, {0, 0, 1919, 1079, 180}));
    EXPECT_TRUE(logHas(1, "A05 SET OUT2 VW XYZ 0000.0000.1919.1079.180"));

    const struct {
        const char *edits;  // device, port, rotation, TL x, TL y, RB x, RB y
        const char *button; // a page button, or a panel to double-click
    } rejected[] = {
        {"5 0 0 1 1 640 360", Editor::kUpdateButton},       {"5 2 0 0 1 640 360", Editor::kUpdateButton},
        {"300 2 0 1 1 640 360", Editor::kUpdateButton},     {"5 0 0 1 1 640 360", Editor::kFullScreenButton},
        {"300 2 0 1 1 640 360", Editor::kFullScreenButton}, {"5 2 0 1 1 640 360", "W33"},
    };
    const std::size_t before = wallLinesOnTheWire();
    for (const auto &r : rejected) {
        SCOPED_TRACE(std::string(r.button) + ": " + r.edits);
        m_messages->clear();
        type(r.edits, 2);
        if (QString::fromLatin1(r.button).startsWith('W'))
            doubleClickPanel(QString::fromLatin1(r.button));
        else
            press(r.button);
        EXPECT_EQ(m_messages->messages().size(), 1);
    }
    // A good line after them: once it has arrived, anything sent before it has arrived too.
    type("5 7 180", 2);
    press(Editor::kFullScreenButton);
    ASSERT_TRUE(wallBecomes(5, 7, {0, 0, 1919, 1079, 180}));
    EXPECT_EQ(wallLinesOnTheWire(), before + 1);
}

TEST_F(WallE2E, SavedPresetSurvivesARestartAndAFileBringsPresetsBack) {
    type("2 2");
    showPanel("W11");
    type("5 4 0 1 1 960 540", 2);
    press(Editor::kUpdateButton);
    ASSERT_TRUE(wallBecomes(5, 4, {0, 0, 959, 539, 0}));
    inPresetDialog([&](CPresetDlg &dlg) {
        savePreset(dlg, "7", "Stage");
        withChosenFile(dlg, CPresetDlg::kSaveAllButton, "backup.ini");
    });
    EXPECT_EQ(presetList()->itemText(6), "No. 7:2x2: Stage");

    // A new console window in the same folder reads the saved preset back.
    m_console.reset();
    showWallTab();
    ASSERT_EQ(presetList()->itemText(6), "No. 7:2x2: Stage");
    presetList()->setCurrentIndex(6);
    emit presetList()->activated(6);
    showPanel("W11");
    EXPECT_EQ(edit(Editor::kDeviceEdit)->text(), "5");
    EXPECT_EQ(edit(Editor::kPortEdit)->text(), "4");
    EXPECT_EQ(corners(), (QStringList{"1", "1", "960", "540"}));

    // Preset 7 saved over with the page's grid (3 x 3 from preset 1 at start-up), then the file
    // saved before brings it back; KorvexVW.ini keeps the newer save until the next "Save".
    inPresetDialog([&](CPresetDlg &dlg) { savePreset(dlg, "7", "Other"); });
    EXPECT_EQ(presetList()->itemText(6), "No. 7:3x3: Other");
    page().presets().presets[6].panels[0] = wall::WallPanel{};
    inPresetDialog([&](CPresetDlg &dlg) { withChosenFile(dlg, CPresetDlg::kLoadButton, "backup.ini"); });
    EXPECT_EQ(presetList()->itemText(6), "No. 7:2x2: Stage");
    EXPECT_EQ(page().presets().presets[6].panels[0], (wall::WallPanel{5, 4, 0, 1, 1, 960, 540}));
    EXPECT_EQ(edit(Editor::kRowsEdit)->text(), "2") << "the selected preset 7 gives the grid";
    EXPECT_FALSE(pageButton("W22")->isHidden());
    EXPECT_TRUE(pageButton("W13")->isHidden());
    const std::string stored = testsupport::readFile(wall::kLayoutFileName);
    EXPECT_NE(stored.find("\r\n*Other\r\n"), std::string::npos);
    EXPECT_TRUE(m_messages->messages().isEmpty());
}

} // namespace
