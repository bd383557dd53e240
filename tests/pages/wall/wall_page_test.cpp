// The VIDEO WALL page and its two dialogs against a fake console: what start-up shows, panel clicks
// and double clicks, the checks of "Update to panel" and "Full Screen" in their order, the
// arrangement dialog and the preset dialog's refusals.
#include "WhenOpen.h"
#include "pages/wall/CPanelArrangeDlg.h"
#include "pages/wall/CPresetDlg.h"
#include "pages/wall/CVideoWallPage.h"
#include "pages/wall/CWallPanelEditor.h"
#include "pages/wall/CWallPresets.h"
#include "ui/Controls.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"
#include "wall/LayoutFile.h"

#include "TempDir.h"
#include "TestConsole.h"
#include "WaitFor.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace {

using Page = CVideoWallPage;
using Editor = CWallPanelEditor;
using Presets = CWallPresets;
using wall::WallPanel;

// Every edit of the page in the order the page reads them.
const char *const kEdits[] = {Editor::kRowsEdit, Editor::kColumnsEdit,  Editor::kDeviceEdit,
                              Editor::kPortEdit, Editor::kRotationEdit, Editor::kTlXEdit,
                              Editor::kTlYEdit,  Editor::kRbXEdit,      Editor::kRbYEdit};
const char *const kArrangeEdits[] = {"Panel Width:", "Panel Height:", "Overscan:", "V Gap:", "H Gap:"};
const QString kPortMessage = "Port number should be 1~9 !";
const QString kVerticalMessage = "Panel in row should be more than panel in column.";

QStringList shown(const WallPanel &p) {
    QStringList texts;
    for (int v : {int{p.deviceAddress}, int{p.outputPort}, int{p.rotation}, int{p.x1}, int{p.y1}, int{p.x2},
                  int{p.y2}})
        texts << QString::number(v);
    return texts;
}

using testsupport::WhenOpen;

class WallPage : public testing::Test {
protected:
    void SetUp() override { startPage(); }

    void startPage() {
        page = std::make_unique<Page>(&fake);
        page->resize(760, 480);
        page->show();
        page->onInitPage();
    }

    template <class W = QLineEdit> W *find(const QWidget *root, const QString &name) {
        W *w = ui::control<W>(root, name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QLineEdit *edit(const char *name) { return find(page.get(), QString::fromLatin1(name)); }
    QPushButton *button(const QString &name) { return find<QPushButton>(page.get(), name); }
    void press(const char *caption) {
        QTest::mouseClick(button(QString::fromLatin1(caption)), Qt::LeftButton);
    }
    // Edits from `first` on, in page order, get the space-separated values.
    void type(const char *values, int first = 0) {
        const QStringList texts = QString::fromLatin1(values).split(' ');
        for (int i = 0; i < texts.size(); ++i)
            edit(kEdits[first + i])->setText(texts[i]);
    }
    QStringList panelEdits() {
        QStringList texts;
        for (int i = 2; i < 9; ++i)
            texts << edit(kEdits[i])->text();
        return texts;
    }
    WallPanel &panel(int index, int preset = 0) { return page->presets().presets[preset].panels[index]; }
    QStringList visiblePanels() {
        QStringList names;
        for (int row = 0; row < 6; ++row)
            for (int column = 0; column < 6; ++column)
                if (!button(Editor::panelButtonName(row, column))->isHidden())
                    names << Editor::panelButtonName(row, column);
        return names;
    }
    void clickPanel(const QString &name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    // What a window system delivers for a double click: press, release, the double-click press, release.
    void doubleClickPanel(const QString &name) {
        QPushButton *b = button(name);
        QTest::mouseClick(b, Qt::LeftButton);
        QTest::mouseDClick(b, Qt::LeftButton);
        QTest::mouseRelease(b, Qt::LeftButton);
    }
    static void clickCheck(QCheckBox *box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }
    void settle() {
        ASSERT_TRUE(testsupport::waitFor([&] { return !page->panelClickPending(); }));
    }

    testsupport::ScopedTempCwd cwd;
    ui::MessageCapture messages;
    TestConsole fake;
    std::unique_ptr<Page> page;
};

TEST_F(WallPage, StartUpListsThePresetsAndShowsTheSelectedPresetsGrid) {
    const QStringList threeByThree{"W11", "W12", "W13", "W21", "W22", "W23", "W31", "W32", "W33"};
    struct Row {
        std::optional<std::string> gridLine; // none: start without a file
        QString firstEntry, grid;
        QStringList visible;
    } rows[] = {
        {std::nullopt, "No. 1:3x3:  ", "3 3", threeByThree},
        {"23 66 ", "No. 1:2x3:  ", "2 3", {"W11", "W12", "W13", "W21", "W22", "W23"}},
        {"06 ", "No. 1:0x6:  ", "0 6", {}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.firstEntry.toStdString());
        page.reset();
        testsupport::ScopedTempCwd folder;
        if (r.gridLine) {
            std::string file = wall::defaultLayoutFileContent();
            testsupport::writeFile(wall::kLayoutFileName, file.replace(0, r.gridLine->size(), *r.gridLine));
        }
        startPage();
        auto *list = find<QComboBox>(page.get(), Presets::kPresetList);
        ASSERT_EQ(list->count(), 32);
        EXPECT_EQ(list->currentIndex(), 0);
        EXPECT_EQ(list->itemText(0), r.firstEntry);
        EXPECT_EQ(list->itemText(31), "No.32:3x3:  ");
        EXPECT_EQ(edit(Editor::kRowsEdit)->text() + " " + edit(Editor::kColumnsEdit)->text(), r.grid);
        EXPECT_EQ(visiblePanels(), r.visible);
        EXPECT_EQ(panelEdits(), QStringList(7, "0"));
        page.reset();
    }
    EXPECT_TRUE(messages.messages().isEmpty());
}

TEST_F(WallPage, SingleClickShowsItsPanelAfterTheWaitAndALaterClickReplacesIt) {
    panel(1) = WallPanel{4, 2, 90, 641, 1, 1280, 360};
    panel(8) = WallPanel{7, 9, 270, 1281, 361, 1920, 720};

    edit(Editor::kRowsEdit)->setText("2"); // typed, not yet used: showing a panel leaves it
    clickPanel("W23");
    EXPECT_TRUE(page->panelClickPending());
    EXPECT_EQ(panelEdits(), QStringList(7, "0")) << "shown only when no second click came";
    EXPECT_EQ(page->currentPanel(), 8);
    settle();
    EXPECT_EQ(panelEdits(), shown(panel(8)));
    EXPECT_EQ(edit(Editor::kRowsEdit)->text(), "2");

    // Two quick clicks on different panels: the edits end up showing the current panel.
    clickPanel("W11");
    clickPanel("W12");
    settle();
    EXPECT_EQ(page->currentPanel(), 1);
    EXPECT_EQ(panelEdits(), shown(panel(1)));
    EXPECT_TRUE(fake.texts.empty());
    EXPECT_TRUE(messages.messages().isEmpty());
}

TEST_F(WallPage, DoubleClickSendsTheStoredPanelOnceOrSaysWhyNot) {
    struct Row {
        const char *button;
        int index;
        WallPanel stored;
        bool portOn;
        std::string line; // empty: nothing sent
        QString message;
    } rows[] = {
        // clang-format off
        {"W11", 0, {1, 3, 90, 641, 1, 1280, 360}, true, "\r\nA01 SET OUT3 VW XYZ 0640.0000.1279.0359.090\r\n", ""},
        {"W22", 7, {0, 0, 0, 641, 361, 1280, 720}, true, "", "Panel W22 was not sent: Output port 0 is not 1~9."},
        {"W13", 2, {150, 2, 0, 1, 1, 640, 360}, true, "", "Panel W13 was not sent: Device address 150 is above 99."},
        {"W12", 1, {1, 2, 0, 0, 0, 0, 0}, true, "",
         "Panel W12 was not sent: Capture rectangle (0, 0)-(0, 0) is not a rectangle within (1, 1)-(1920, 1080)."},
        {"W22", 7, {0, 0, 0, 641, 361, 1280, 720}, false, "", ""},
        // clang-format on
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.button);
        panel(r.index) = r.stored;
        fake.setPortOn(r.portOn);
        fake.texts.clear();
        messages.clear();
        doubleClickPanel(r.button);
        EXPECT_FALSE(page->panelClickPending());
        EXPECT_EQ(page->currentPanel(), r.index);
        EXPECT_EQ(fake.texts, r.line.empty() ? std::vector<std::string>() : std::vector<std::string>{r.line});
        EXPECT_EQ(messages.messages(), r.message.isEmpty() ? QStringList() : QStringList{r.message});
        EXPECT_EQ(panelEdits(), shown(r.stored));
    }
}

// Edits given as "rows columns device port rotation TLx TLy RBx RBy".
TEST_F(WallPage, UpdateAndFullScreenCheckTheirEditsInOrder) {
    const char *update = Editor::kUpdateButton;
    const char *full = Editor::kFullScreenButton;
    const QString coordinates = " illegal coordinate data (x: 1~1920, y: 1~1080) !";
    const QString corners = "Coordinate of left top coner must be less than that of right bottom coner !";
    struct Row {
        const char *button;
        const char *edits;
        std::string line; // empty: nothing sent (and, for "Update to panel", nothing stored)
        QString message;
    } rows[] = {
        // clang-format off
        {update, "3 3 1 3 90 641 1 1280 360", "\r\nA01 SET OUT3 VW XYZ 0640.0000.1279.0359.090\r\n", ""},
        {update, "3 3 99 3 270 1 1 1920 1080", "\r\nA99 SET OUT3 VW XYZ 0000.0000.1919.1079.270\r\n", ""},
        {update, "3 3 1 3 0 641 1 1280 360", "\r\nA01 SET OUT3 VW XYZ 0640.0000.1279.0359.000\r\n", ""},
        {update, "3 3 1 0 45 0 1 1280 360", "", kPortMessage},
        {update, "3 3 1 10 90 641 1 1280 360", "", kPortMessage},
        {update, "3 3 1 3 45 0 1 1280 360", "", "Rotation angle should be 0, 90, 180 or 270 degree !"},
        {update, "3 3 1 3 90 0 1 1280 360", "", coordinates},
        {update, "3 3 1 3 90 641 1081 1280 360", "", coordinates},
        {update, "3 3 1 3 90 100 100 100 200", "", corners},
        {update, "3 3 1 3 90 100 300 200 200", "", corners},
        {update, "3 3 300 3 90 641 1 1280 360", "", "Please enter an integer between 0 and 99."},
        {update, "3 3 x 3 90 641 1 1280 360", "", "Please enter a positive integer."},
        {update, "3 3 1 1.5 90 641 1 1280 360", "", "Please enter an integer."},
        {update, "7 3 1 3 90 641 1 1280 360", "", "Please enter an integer between 1 and 6."},
        {full, "3 3 5 2 90 0 0 0 0", "\r\nA05 SET OUT2 VW XYZ 0000.0000.1919.1079.000\r\n", ""},
        {full, "3 3 0 9 180 0 0 0 0", "\r\nA00 SET OUT9 VW XYZ 0000.0000.1919.1079.180\r\n", ""},
        {full, "3 3 5 0 0 0 0 0 0", "", kPortMessage},
        {full, "3 3 300 2 0 0 0 0 0", "", "Please enter an integer between 0 and 99."},
        // clang-format on
    };
    clickPanel("W12"); // the panel that "Update to panel" writes
    settle();
    for (const Row &r : rows) {
        SCOPED_TRACE(std::string(r.button) + ": " + r.edits);
        const WallPanel before{5, 5, 0, 10, 10, 20, 20};
        panel(1) = before;
        fake.texts.clear();
        messages.clear();
        type(r.edits);
        press(r.button);
        EXPECT_EQ(messages.messages(), r.message.isEmpty() ? QStringList() : QStringList{r.message});
        EXPECT_EQ(fake.texts, r.line.empty() ? std::vector<std::string>() : std::vector<std::string>{r.line});
        EXPECT_EQ(panel(1) == before, r.line.empty() || r.button == full);
    }
    EXPECT_EQ(panel(0), (WallPanel{0, 0, 0, 1, 1, 640, 360}));
}

TEST_F(WallPage, WithThePortOffNothingIsSentButUpdateStillStores) {
    fake.setPortOn(false);
    type("12 4 180 100 200 300 400", 2);
    press(Editor::kUpdateButton);
    press(Editor::kFullScreenButton);
    EXPECT_EQ(panel(0), (WallPanel{12, 4, 180, 100, 200, 300, 400}));
    clickPanel("W12");
    settle();
    clickPanel("W11");
    settle();
    EXPECT_EQ(panelEdits(), (QStringList{"12", "4", "180", "100", "200", "300", "400"}));
    EXPECT_TRUE(fake.texts.empty());
    EXPECT_TRUE(messages.messages().isEmpty());
}

// The dialog starts at zero and shows what it last read from its edits (on "Vertical" or
// "Save && Exit"), not what was typed after; "Cancel" leaves the page's arrangement and rectangles.
TEST_F(WallPage, ArrangementDialogKeepsWhatItLastReadAndCancelChangesNothing) {
    type("2 3");
    const wall::PresetTable before = page->presets();
    QStringList seen;
    auto open = [&](std::function<void(CPanelArrangeDlg &)> act) {
        WhenOpen<CPanelArrangeDlg> when([&](CPanelArrangeDlg &dlg) {
            for (const char *name : kArrangeEdits)
                seen << find(&dlg, name)->text();
            seen << (find<QCheckBox>(&dlg, "Vertical")->isChecked() ? "checked" : "unchecked");
            act(dlg);
        });
        press(Editor::kArrangeButton);
        EXPECT_TRUE(when.done());
    };
    open([&](CPanelArrangeDlg &dlg) {
        find(&dlg, "Panel Width:")->setText("47.6");
        clickCheck(find<QCheckBox>(&dlg, "Vertical")); // reads the edits
        find(&dlg, "Panel Width:")->setText("99");     // never read
        QTest::mouseClick(find<QPushButton>(&dlg, "Cancel"), Qt::LeftButton);
    });
    EXPECT_EQ(page->arrangement(), wall::PanelArrangement{});
    EXPECT_EQ(page->presets(), before);
    EXPECT_EQ(visiblePanels(), (QStringList{"W11", "W12", "W13", "W21", "W22", "W23"}));
    open([&](CPanelArrangeDlg &dlg) { dlg.reject(); });
    EXPECT_EQ(seen,
              (QStringList{"0", "0", "0", "0", "0", "unchecked", "47.6", "0", "0", "0", "0", "checked"}));
    EXPECT_EQ(messages.messages(), QStringList{kVerticalMessage}) << "rows 2 are not more than columns 3";
    EXPECT_TRUE(fake.texts.empty());
}

TEST_F(WallPage, ArrangementIsCheckedInTheDialogAndOnThePage) {
    const QString number = "Please enter a number.";
    struct Row {
        const char *grid;   // rows and columns
        const char *values; // width, height, overscan, V gap, H gap
        bool vertical;
        QStringList dialogMessages; // shown while the dialog is open
        bool staysOpen;
        QStringList pageMessages;
        std::optional<WallPanel> panel0; // when the rectangles were computed
    } rows[] = {
        // clang-format off
        {"1 1", "7 3 5 0 0", false, {}, false, {}, WallPanel{0, 0, 0, 49, 28, 1872, 1053}},
        {"2 3", "16 9 0 0 0", true, {kVerticalMessage}, false, {kVerticalMessage}, std::nullopt},
        {"3 2", "16 9 0 0 0", true, {}, false,
         {"Capture rectangles are not computed for a vertical arrangement."}, std::nullopt},
        {"2 2", "16 0 0 0 0.5", false, {}, false,
         {"Panel size and gap cannot both be 0; the capture rectangles were not changed."}, std::nullopt},
        {"2 2", "nan 9 0 0 0", false, {number}, true, {}, std::nullopt},
        {"2 2", "16 9 0 inf 0", false, {number}, true, {}, std::nullopt},
        {"2 2", "16 9 1e39 0 0", false, {number}, true, {}, std::nullopt},
        // clang-format on
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::string(r.grid) + ": " + r.values);
        panel(0) = WallPanel{0, 0, 0, 1, 1, 640, 360};
        const wall::PresetTable before = page->presets();
        messages.clear();
        type(r.grid);
        QStringList dialogMessages;
        bool stayedOpen = false;
        WhenOpen<CPanelArrangeDlg> fill([&](CPanelArrangeDlg &dlg) {
            const QStringList values = QString::fromLatin1(r.values).split(' ');
            for (int i = 0; i < 5; ++i)
                find(&dlg, kArrangeEdits[i])->setText(values[i]);
            auto *vertical = find<QCheckBox>(&dlg, "Vertical");
            if (r.vertical != vertical->isChecked())
                clickCheck(vertical);
            QTest::mouseClick(find<QPushButton>(&dlg, "Save && Exit"), Qt::LeftButton);
            dialogMessages = messages.messages();
            stayedOpen = dlg.isVisible();
            if (stayedOpen)
                QTest::mouseClick(find<QPushButton>(&dlg, "Cancel"), Qt::LeftButton);
        });
        press(Editor::kArrangeButton);
        ASSERT_TRUE(fill.done());
        EXPECT_EQ(dialogMessages, r.dialogMessages);
        EXPECT_EQ(stayedOpen, r.staysOpen);
        EXPECT_EQ(messages.messages(), r.dialogMessages + r.pageMessages);
        if (r.panel0)
            EXPECT_EQ(panel(0), *r.panel0);
        else
            EXPECT_EQ(page->presets(), before);
        EXPECT_TRUE(fake.texts.empty());
    }
}

// "Save" copies the page's grid and the selected preset's panels into preset N and stores the
// table; every refusal, and a store that fails, leaves the table and the file as they were.
TEST_F(WallPage, PresetSaveStoresTheGridAndPanelsOrChangesNothing) {
    CPresetDlg &dlg = *page->presetDialog();
    dlg.show();
    auto *list = find<QComboBox>(page.get(), Presets::kPresetList);
    list->setCurrentIndex(2);
    emit list->activated(2);
    panel(0, 2) = WallPanel{3, 4, 90, 1, 1, 960, 540};
    auto save = [&](const QString &number, const QString &alias, const char *grid) {
        messages.clear();
        find(&dlg, "Preset Num:")->setText(number);
        find(&dlg, "Aliabs:")->setText(alias);
        type(grid);
        QTest::mouseClick(find<QPushButton>(&dlg, "Save"), Qt::LeftButton);
    };
    struct Row {
        QString number, alias;
        const char *grid;
        QString message;
    } rows[] = {
        {"0", "Lobby", "2 2", "Preset number should be 1~32 !"},
        {"33", "Lobby", "2 2", "Preset number should be 1~32 !"},
        {"five", "Lobby", "2 2", "Please enter an integer."},
        {"5", "Main lobby!", "2 2", "Please enter no more than 10 characters."},
        {"5", QString::fromUtf8("Hall \u03A9"), "2 2", "The alias can hold Latin-1 characters only."},
        {"5", "Lobby", "7 2", "Please enter an integer between 1 and 6."},
    };
    const std::string fileBefore = testsupport::readFile(wall::kLayoutFileName);
    const wall::PresetTable before = page->presets();
    for (const Row &r : rows) {
        SCOPED_TRACE(r.number.toStdString() + " " + r.alias.toStdString() + " " + r.grid);
        save(r.number, r.alias, r.grid);
        EXPECT_EQ(messages.messages(), QStringList{r.message});
        EXPECT_EQ(page->presets(), before);
        EXPECT_EQ(testsupport::readFile(wall::kLayoutFileName), fileBefore);
    }

    save("5", QString::fromLatin1("Caf\xe9 2x2"), "2 2");
    EXPECT_TRUE(messages.messages().isEmpty());
    const wall::WallPreset &saved = page->presets().presets[4];
    EXPECT_EQ(saved.gridCode, 22);
    EXPECT_EQ(saved.description, "Caf\xe9 2x2"); // one byte a character, as the file holds it
    EXPECT_EQ(saved.panels, page->presets().presets[2].panels);
    EXPECT_EQ(testsupport::readFile(wall::kLayoutFileName), wall::formatLayoutFile(page->presets()));
    EXPECT_EQ(list->itemText(4), QString::fromLatin1("No. 5:2x2: Caf\xe9 2x2"));
    EXPECT_EQ(list->currentIndex(), 2);
    EXPECT_EQ(find<QLabel>(&dlg, "Outcome")->text(), "Saved into preset 5 and KorvexVW.ini.");

    const wall::PresetTable afterSave = page->presets();
    const std::string savedFile = testsupport::readFile(wall::kLayoutFileName);
    std::filesystem::create_directory(std::string(wall::kLayoutFileName) + ".tmp");
    save("6", "Stage", "2 2");
    EXPECT_EQ(messages.messages(),
              QStringList{"There is no KorvexVW.ini and faild to create new empty ini file !"});
    EXPECT_EQ(page->presets(), afterSave);
    EXPECT_EQ(testsupport::readFile(wall::kLayoutFileName), savedFile);
    EXPECT_EQ(list->itemText(5), "No. 6:3x3:  ");
    EXPECT_TRUE(fake.texts.empty());
}

TEST_F(WallPage, LoadingAFileThatIsNotAWholePresetTableChangesNothing) {
    CPresetDlg &dlg = *page->presetDialog();
    dlg.show();
    const std::string whole = wall::defaultLayoutFileContent();
    testsupport::writeFile("short.ini", whole.substr(0, whole.size() - 40));
    struct Row {
        QString chosen; // "" as if the file dialog was cancelled
        QStringList messages;
    } rows[] = {
        {"", {}},
        {"missing.ini", {"File read failed"}},
        {"short.ini", {"short.ini is not a complete preset file; the presets were not changed."}},
    };
    panel(0) = WallPanel{8, 8, 0, 8, 8, 88, 88};
    const wall::PresetTable before = page->presets();
    for (const Row &r : rows) {
        SCOPED_TRACE(r.chosen.toStdString());
        messages.clear();
        ui::FileDialogOverride chooser([&](const QString &, const QString &) {
            return r.chosen.isEmpty() ? QString() : QString::fromStdString(cwd.file(r.chosen.toStdString()));
        });
        QTest::mouseClick(find<QPushButton>(&dlg, "Load presets from file"), Qt::LeftButton);
        EXPECT_EQ(messages.messages(), r.messages);
        EXPECT_EQ(page->presets(), before);
    }
}

} // namespace
