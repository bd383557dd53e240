// The VIDEO WALL page and its two dialogs against a fake console: what start-up shows, panel clicks
// and double clicks, every check of "Update to panel" and "Full Screen" in its order, the
// arrangement dialog and the preset dialog's buttons.
#include "pages/wall/CPanelArrangeDlg.h"
#include "pages/wall/CPresetDlg.h"
#include "pages/wall/CVideoWallPage.h"
#include "ui/Controls.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"
#include "wall/LayoutFile.h"

#include "FakeConsole.h"
#include "TempDir.h"
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

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace {

using Page = CVideoWallPage;
using wall::WallPanel;

const char *const kPanelEdits[] = {Page::kDeviceEdit, Page::kPortEdit, Page::kRotationEdit, Page::kTlXEdit,
                                   Page::kTlYEdit,    Page::kRbXEdit,  Page::kRbYEdit};
const QString kPortMessage = "Port number should be 1~9 !";
const QString kRotationMessage = "Rotation angle should be 0, 90, 180 or 270 degree !";
const QString kCoordinateMessage = " illegal coordinate data (x: 1~1920, y: 1~1080) !";
const QString kCornerMessage = "Coordinate of left top coner must be less than that of right bottom coner !";
const QString kVerticalMessage = "Panel in row should be more than panel in column.";

QStringList shown(const WallPanel &p) {
    return {QString::number(p.deviceAddress),
            QString::number(p.outputPort),
            QString::number(p.rotation),
            QString::number(p.x1),
            QString::number(p.y1),
            QString::number(p.x2),
            QString::number(p.y2)};
}

// Runs `act` on the dialog of that type as soon as it is open modally, inside its own event loop.
template <class Dialog> class WhenOpen {
public:
    explicit WhenOpen(std::function<void(Dialog &)> act) : m_act(std::move(act)) {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
                m_timer.stop();
                m_act(*dialog);
                m_done = true;
            }
        });
        m_timer.start();
    }
    bool done() const { return m_done; }

private:
    std::function<void(Dialog &)> m_act;
    QTimer m_timer;
    bool m_done = false;
};

class WallPage : public testing::Test {
protected:
    void SetUp() override { startPage(); }

    void startPage() {
        page = std::make_unique<Page>(&fake);
        page->resize(760, 480);
        page->show();
        page->OnInitPage();
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
    void type(const std::map<const char *, QString> &values) {
        for (const auto &[name, text] : values)
            edit(name)->setText(text);
    }
    QStringList panelEdits() {
        QStringList texts;
        for (const char *name : kPanelEdits)
            texts << edit(name)->text();
        return texts;
    }
    WallPanel &panel(int index, int preset = 0) { return page->presets().presets[preset].panels[index]; }
    QStringList visiblePanels() {
        QStringList names;
        for (int row = 0; row < 6; ++row)
            for (int column = 0; column < 6; ++column)
                if (!button(Page::panelButtonName(row, column))->isHidden())
                    names << Page::panelButtonName(row, column);
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
    FakeConsole fake;
    std::unique_ptr<Page> page;
};

// ---- start-up ----

TEST_F(WallPage, StartUpListsThePresetsAndShowsTheSelectedPresetsGrid) {
    struct Row {
        const char *name;
        std::optional<std::string> gridLine; // none: start without a file
        QString firstEntry, rows, columns;
        QStringList visible;
    } rows[] = {
        {"no file",
         std::nullopt,
         "No. 1:3x3:  ",
         "3",
         "3",
         {"W11", "W12", "W13", "W21", "W22", "W23", "W31", "W32", "W33"}},
        {"2 x 3 first", "23 66 ", "No. 1:2x3:  ", "2", "3", {"W11", "W12", "W13", "W21", "W22", "W23"}},
        {"0 x 6 first", "06 ", "No. 1:0x6:  ", "0", "6", {}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        page.reset();
        testsupport::ScopedTempCwd folder;
        if (r.gridLine) {
            std::string file = wall::DefaultLayoutFileContent();
            file.replace(0, r.gridLine->size(), *r.gridLine);
            testsupport::writeFile(wall::kLayoutFileName, file);
        }
        startPage();
        auto *list = find<QComboBox>(page.get(), Page::kPresetList);
        ASSERT_EQ(list->count(), 32);
        EXPECT_EQ(list->currentIndex(), 0);
        EXPECT_EQ(list->itemText(0), r.firstEntry);
        EXPECT_EQ(list->itemText(31), "No.32:3x3:  ");
        EXPECT_FALSE(list->isEditable());
        EXPECT_EQ(edit(Page::kRowsEdit)->text(), r.rows);
        EXPECT_EQ(edit(Page::kColumnsEdit)->text(), r.columns);
        EXPECT_EQ(visiblePanels(), r.visible);
        EXPECT_EQ(panelEdits(), QStringList(7, "0"));
        EXPECT_EQ(page->currentPanel(), 0);
        page.reset();
    }
    EXPECT_TRUE(messages.messages().isEmpty());
    EXPECT_TRUE(fake.texts.empty());
}

// ---- clicks ----

TEST_F(WallPage, SingleClickShowsItsPanelAfterTheWaitAndALaterClickReplacesIt) {
    panel(1) = WallPanel{4, 2, 90, 641, 1, 1280, 360};
    page->presets().presets[0].panels[8] = WallPanel{7, 9, 270, 1281, 361, 1920, 720};

    edit(Page::kRowsEdit)->setText("2"); // typed, not yet used: showing a panel leaves it
    clickPanel("W23");
    EXPECT_TRUE(page->panelClickPending());
    EXPECT_EQ(panelEdits(), QStringList(7, "0")) << "shown only when no second click came";
    EXPECT_EQ(page->currentPanel(), 8);
    settle();
    EXPECT_EQ(panelEdits(), shown(panel(8)));
    EXPECT_EQ(edit(Page::kRowsEdit)->text(), "2");

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
        {"W11",
         0,
         {1, 3, 90, 641, 1, 1280, 360},
         true,
         "\r\nA01 SET OUT3 VW XYZ 0640.0000.1279.0359.090\r\n",
         ""},
        {"W66",
         35,
         {99, 9, 0, 1, 1, 1920, 1080},
         true,
         "\r\nA99 SET OUT9 VW XYZ 0000.0000.1919.1079.000\r\n",
         ""},
        {"W22",
         7,
         {0, 0, 0, 641, 361, 1280, 720},
         true,
         "",
         "Panel W22 was not sent: Output port 0 is not 1~9."},
        {"W13",
         2,
         {150, 2, 0, 1, 1, 640, 360},
         true,
         "",
         "Panel W13 was not sent: Device address 150 is above 99."},
        {"W21",
         6,
         {2, 2, 45, 1, 1, 640, 360},
         true,
         "",
         "Panel W21 was not sent: Rotation 45 is not 0, 90, 180 or 270."},
        {"W12",
         1,
         {1, 2, 0, 0, 0, 0, 0},
         true,
         "",
         "Panel W12 was not sent: Capture rectangle (0, 0)-(0, 0) is not a rectangle within (1, 1)-(1920, "
         "1080)."},
        {"W11", 0, {1, 3, 90, 641, 1, 1280, 360}, false, "", ""},
        {"W22", 7, {0, 0, 0, 641, 361, 1280, 720}, false, "", ""},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.button);
        ui::control<QPushButton>(page.get(), "W66")->setVisible(true);
        panel(r.index) = r.stored;
        fake.portOn = r.portOn;
        fake.texts.clear();
        messages.clear();
        doubleClickPanel(r.button);
        EXPECT_FALSE(page->panelClickPending());
        EXPECT_EQ(page->currentPanel(), r.index);
        if (r.line.empty()) {
            EXPECT_TRUE(fake.texts.empty());
        } else {
            ASSERT_EQ(fake.texts.size(), 1u);
            EXPECT_EQ(fake.texts[0], r.line);
            EXPECT_EQ(r.line.size(), 47u);
        }
        EXPECT_EQ(messages.messages(), r.message.isEmpty() ? QStringList() : QStringList{r.message});
        EXPECT_EQ(panelEdits(), shown(r.stored));
    }
}

// ---- "Update to panel" ----

TEST_F(WallPage, UpdateToPanelChecksInOrderStoresAndSends) {
    const std::map<const char *, QString> good = {
        {Page::kRowsEdit, "3"}, {Page::kColumnsEdit, "3"},   {Page::kDeviceEdit, "1"},
        {Page::kPortEdit, "3"}, {Page::kRotationEdit, "90"}, {Page::kTlXEdit, "641"},
        {Page::kTlYEdit, "1"},  {Page::kRbXEdit, "1280"},    {Page::kRbYEdit, "360"},
    };
    struct Row {
        const char *name;
        std::map<const char *, QString> changes;
        QStringList messages;
        std::string line; // empty: nothing stored or sent
    } rows[] = {
        {"example", {}, {}, "\r\nA01 SET OUT3 VW XYZ 0640.0000.1279.0359.090\r\n"},
        {"rotation 0",
         {{Page::kRotationEdit, "0"}},
         {},
         "\r\nA01 SET OUT3 VW XYZ 0640.0000.1279.0359.000\r\n"},
        {"rotation 270, whole frame, address 99",
         {{Page::kRotationEdit, "270"},
          {Page::kDeviceEdit, "99"},
          {Page::kTlXEdit, "1"},
          {Page::kRbXEdit, "1920"},
          {Page::kRbYEdit, "1080"}},
         {},
         "\r\nA99 SET OUT3 VW XYZ 0000.0000.1919.1079.270\r\n"},
        {"port 0 before the rectangle", {{Page::kPortEdit, "0"}, {Page::kTlXEdit, "0"}}, {kPortMessage}, ""},
        {"port 10", {{Page::kPortEdit, "10"}}, {kPortMessage}, ""},
        {"rotation before the rectangle",
         {{Page::kRotationEdit, "45"}, {Page::kTlXEdit, "0"}},
         {kRotationMessage},
         ""},
        {"TL x 0", {{Page::kTlXEdit, "0"}}, {kCoordinateMessage}, ""},
        {"RB x 1921", {{Page::kRbXEdit, "1921"}}, {kCoordinateMessage}, ""},
        {"TL y 1081", {{Page::kTlYEdit, "1081"}}, {kCoordinateMessage}, ""},
        {"empty width",
         {{Page::kTlXEdit, "100"}, {Page::kTlYEdit, "100"}, {Page::kRbXEdit, "100"}, {Page::kRbYEdit, "200"}},
         {kCornerMessage},
         ""},
        {"inverted height", {{Page::kTlYEdit, "300"}, {Page::kRbYEdit, "200"}}, {kCornerMessage}, ""},
        {"address 100", {{Page::kDeviceEdit, "100"}}, {"Please enter an integer between 0 and 99."}, ""},
        {"address 300", {{Page::kDeviceEdit, "300"}}, {"Please enter an integer between 0 and 99."}, ""},
        {"address text", {{Page::kDeviceEdit, "x"}}, {"Please enter a positive integer."}, ""},
        {"negative corner", {{Page::kTlXEdit, "-1"}}, {"Please enter a positive integer."}, ""},
        {"port not an integer", {{Page::kPortEdit, "1.5"}}, {"Please enter an integer."}, ""},
        {"rows 7", {{Page::kRowsEdit, "7"}}, {"Please enter an integer between 1 and 6."}, ""},
        {"columns 0", {{Page::kColumnsEdit, "0"}}, {"Please enter an integer between 1 and 6."}, ""},
    };
    clickPanel("W12"); // the panel that "Update to panel" writes
    settle();
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        const WallPanel before{5, 5, 0, 10, 10, 20, 20};
        panel(1) = before;
        fake.texts.clear();
        messages.clear();
        type(good);
        type(r.changes);
        press(Page::kUpdateButton);
        EXPECT_EQ(messages.messages(), r.messages);
        if (r.line.empty()) {
            EXPECT_TRUE(fake.texts.empty());
            EXPECT_EQ(panel(1), before);
        } else {
            ASSERT_EQ(fake.texts.size(), 1u);
            EXPECT_EQ(fake.texts[0], r.line);
            std::map<const char *, QString> typed = r.changes;
            typed.insert(good.begin(), good.end());
            auto number = [&](const char *name) { return static_cast<int16_t>(typed.at(name).toInt()); };
            EXPECT_EQ(panel(1),
                      (WallPanel{static_cast<uint8_t>(number(Page::kDeviceEdit)),
                                 static_cast<uint8_t>(number(Page::kPortEdit)), number(Page::kRotationEdit),
                                 number(Page::kTlXEdit), number(Page::kTlYEdit), number(Page::kRbXEdit),
                                 number(Page::kRbYEdit)}));
        }
    }
    EXPECT_EQ(panel(0), (WallPanel{0, 0, 0, 1, 1, 640, 360}));
}

TEST_F(WallPage, WithThePortOffUpdateStoresAndAClickShowsWhatWasStored) {
    fake.portOn = false;
    type({{Page::kDeviceEdit, "12"},
          {Page::kPortEdit, "4"},
          {Page::kRotationEdit, "180"},
          {Page::kTlXEdit, "100"},
          {Page::kTlYEdit, "200"},
          {Page::kRbXEdit, "300"},
          {Page::kRbYEdit, "400"}});
    press(Page::kUpdateButton);
    EXPECT_EQ(panel(0), (WallPanel{12, 4, 180, 100, 200, 300, 400}));
    clickPanel("W12");
    settle();
    clickPanel("W11");
    settle();
    EXPECT_EQ(panelEdits(), (QStringList{"12", "4", "180", "100", "200", "300", "400"}));
    EXPECT_TRUE(fake.texts.empty());
    EXPECT_TRUE(messages.messages().isEmpty());
}

// ---- "Full Screen" ----

TEST_F(WallPage, FullScreenSendsTheWholeFrameForTheEditedOutput) {
    struct Row {
        QString device, port, rotation;
        bool portOn;
        std::string line;
        QStringList messages;
    } rows[] = {
        {"5", "2", "90", true, "\r\nA05 SET OUT2 VW XYZ 0000.0000.1919.1079.000\r\n", {}},
        {"0", "9", "180", true, "\r\nA00 SET OUT9 VW XYZ 0000.0000.1919.1079.180\r\n", {}},
        {"5", "2", "-7", true, "\r\nA05 SET OUT2 VW XYZ 0000.0000.1919.1079.000\r\n", {}},
        {"5", "0", "0", true, "", {kPortMessage}},
        {"5", "10", "0", true, "", {kPortMessage}},
        {"300", "2", "0", true, "", {"Please enter an integer between 0 and 99."}},
        {"5", "2", "x", true, "", {"Please enter an integer."}},
        {"5", "2", "0", false, "", {}},
    };
    const std::array<WallPanel, 36> stored = page->presets().presets[0].panels;
    for (const Row &r : rows) {
        SCOPED_TRACE(r.device.toStdString() + " " + r.port.toStdString() + " " + r.rotation.toStdString());
        fake.portOn = r.portOn;
        fake.texts.clear();
        messages.clear();
        type({{Page::kDeviceEdit, r.device}, {Page::kPortEdit, r.port}, {Page::kRotationEdit, r.rotation}});
        press(Page::kFullScreenButton);
        EXPECT_EQ(messages.messages(), r.messages);
        EXPECT_EQ(fake.texts, r.line.empty() ? std::vector<std::string>{} : std::vector<std::string>{r.line});
    }
    EXPECT_EQ(page->presets().presets[0].panels, stored);
}

// ---- "Panels Arragement" ----

TEST_F(WallPage, ArrangementDialogStartsAtZeroAndCancelChangesNothing) {
    type({{Page::kRowsEdit, "2"}, {Page::kColumnsEdit, "3"}});
    const wall::PresetTable before = page->presets();
    QStringList firstShown;
    bool unchecked = false;
    WhenOpen<CPanelArrangeDlg> cancel([&](CPanelArrangeDlg &dlg) {
        EXPECT_EQ(dlg.windowTitle(), "Video Wall Panels arrangement");
        for (const char *name : {"Panel Width:", "Panel Height:", "Overscan:", "V Gap:", "H Gap:"})
            firstShown << find(&dlg, name)->text();
        unchecked = !find<QCheckBox>(&dlg, "Vertical")->isChecked();
        find(&dlg, "Panel Width:")->setText("55");
        QTest::mouseClick(find<QPushButton>(&dlg, "Cancel"), Qt::LeftButton);
    });
    press(Page::kArrangeButton);
    EXPECT_TRUE(cancel.done());
    EXPECT_EQ(firstShown, QStringList(5, "0"));
    EXPECT_TRUE(unchecked);
    EXPECT_EQ(visiblePanels(), (QStringList{"W11", "W12", "W13", "W21", "W22", "W23"}));
    EXPECT_EQ(page->arrangement(), wall::PanelArrangement{});
    EXPECT_EQ(page->presets(), before);
    EXPECT_TRUE(fake.texts.empty());
    EXPECT_TRUE(messages.messages().isEmpty());
}

TEST_F(WallPage, ArrangementIsCheckedInTheDialogAndOnThePage) {
    struct Row {
        const char *name;
        QString rows, columns;
        QStringList values; // width, height, overscan, V gap, H gap
        bool clickVertical;
        QStringList dialogMessages; // shown while the dialog is open
        bool staysOpen;
        QStringList pageMessages;
        std::optional<WallPanel> panel0; // panel 0 afterwards when the rectangles were computed
    } rows[] = {
        {"1 x 1 with overscan 5",
         "1",
         "1",
         {"7", "3", "5", "0", "0"},
         false,
         {},
         false,
         {},
         WallPanel{0, 0, 0, 49, 28, 1872, 1053}},
        {"vertical 2 x 3",
         "2",
         "3",
         {"16", "9", "0", "0", "0"},
         true,
         {kVerticalMessage},
         false,
         {kVerticalMessage},
         std::nullopt},
        {"vertical 3 x 2",
         "3",
         "2",
         {"16", "9", "0", "0", "0"},
         true,
         {},
         false,
         {"Capture rectangles are not computed for a vertical arrangement."},
         std::nullopt},
        {"zero size and gap",
         "2",
         "2",
         {"16", "0", "0", "0", "0.5"},
         false,
         {},
         false,
         {"Panel size and gap cannot both be 0; the capture rectangles were not changed."},
         std::nullopt},
        {"nan",
         "2",
         "2",
         {"nan", "9", "0", "0", "0"},
         false,
         {"Please enter a number."},
         true,
         {},
         std::nullopt},
        {"inf",
         "2",
         "2",
         {"16", "9", "0", "inf", "0"},
         false,
         {"Please enter a number."},
         true,
         {},
         std::nullopt},
        {"beyond a float",
         "2",
         "2",
         {"16", "9", "1e39", "0", "0"},
         false,
         {"Please enter a number."},
         true,
         {},
         std::nullopt},
    };
    const char *fields[] = {"Panel Width:", "Panel Height:", "Overscan:", "V Gap:", "H Gap:"};
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        page->presets().presets[0].panels[0] = WallPanel{0, 0, 0, 1, 1, 640, 360};
        const wall::PresetTable before = page->presets();
        messages.clear();
        type({{Page::kRowsEdit, r.rows}, {Page::kColumnsEdit, r.columns}});
        QStringList dialogMessages;
        bool stayedOpen = false;
        WhenOpen<CPanelArrangeDlg> fill([&](CPanelArrangeDlg &dlg) {
            for (int i = 0; i < 5; ++i)
                find(&dlg, fields[i])->setText(r.values[i]);
            auto *vertical = find<QCheckBox>(&dlg, "Vertical");
            if (r.clickVertical != vertical->isChecked())
                clickCheck(vertical);
            QTest::mouseClick(find<QPushButton>(&dlg, "Save && Exit"), Qt::LeftButton);
            dialogMessages = messages.messages();
            stayedOpen = dlg.isVisible();
            if (stayedOpen)
                QTest::mouseClick(find<QPushButton>(&dlg, "Cancel"), Qt::LeftButton);
        });
        press(Page::kArrangeButton);
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

TEST_F(WallPage, ArrangementDialogKeepsWhatItLastRead) {
    CPanelArrangeDlg &dlg = *page->arrangeDialog();
    dlg.setGrid(2, 3);
    auto open = [&](std::function<void(CPanelArrangeDlg &)> act) {
        WhenOpen<CPanelArrangeDlg> when(std::move(act));
        dlg.exec();
        EXPECT_TRUE(when.done());
    };
    QStringList seen;
    auto widthAndVertical = [&] {
        seen << find(&dlg, "Panel Width:")->text()
             << (find<QCheckBox>(&dlg, "Vertical")->isChecked() ? "checked" : "unchecked");
    };
    open([&](CPanelArrangeDlg &) {
        find(&dlg, "Panel Width:")->setText("47.6");
        clickCheck(find<QCheckBox>(&dlg, "Vertical")); // reads the edits
        find(&dlg, "Panel Width:")->setText("99");     // never read
        dlg.reject();
    });
    open([&](CPanelArrangeDlg &) {
        widthAndVertical();
        find(&dlg, "Panel Width:")->setText("0.3");
        QTest::mouseClick(find<QPushButton>(&dlg, "Save && Exit"), Qt::LeftButton);
    });
    open([&](CPanelArrangeDlg &) {
        widthAndVertical();
        dlg.reject();
    });
    EXPECT_EQ(seen, (QStringList{"47.6", "checked", "0.3", "checked"}));
    EXPECT_FLOAT_EQ(dlg.arrangement().panelWidth, 0.3f);
    EXPECT_EQ(messages.messages(), QStringList{kVerticalMessage}) << "rows 2 are not more than columns 3";
}

// ---- "Save to preset" ----

TEST_F(WallPage, SaveToPresetOpensThePresetDialog) {
    WhenOpen<CPresetDlg> look([&](CPresetDlg &dlg) {
        EXPECT_EQ(dlg.windowTitle(), "Preset Setting");
        EXPECT_EQ(find(&dlg, "Preset Num:")->text(), "0");
        EXPECT_EQ(find(&dlg, "Aliabs:")->text(), "");
        dlg.reject();
    });
    press(Page::kSaveButton);
    EXPECT_TRUE(look.done());
}

TEST_F(WallPage, PresetSaveStoresTheGridAndPanelsOrRefuses) {
    CPresetDlg &dlg = *page->presetDialog();
    dlg.show();
    auto *list = find<QComboBox>(page.get(), Page::kPresetList);
    list->setCurrentIndex(2);
    emit list->activated(2);
    page->presets().presets[2].panels[0] = WallPanel{3, 4, 90, 1, 1, 960, 540};
    const std::string fileBefore = testsupport::readFile(wall::kLayoutFileName);
    struct Row {
        const char *name;
        QString number, alias, rows, columns;
        QStringList messages;
    } rows[] = {
        {"number 0", "0", "Lobby", "2", "2", {"Preset number should be 1~32 !"}},
        {"number 33", "33", "Lobby", "2", "2", {"Preset number should be 1~32 !"}},
        {"number text", "five", "Lobby", "2", "2", {"Please enter an integer."}},
        {"alias of 11", "5", "Main lobby!", "2", "2", {"Please enter no more than 10 characters."}},
        {"alias beyond Latin-1",
         "5",
         QString::fromUtf8("Hall \u03A9"),
         "2",
         "2",
         {"The alias can hold Latin-1 characters only."}},
        {"rows 7", "5", "Lobby", "7", "2", {"Please enter an integer between 1 and 6."}},
    };
    const wall::PresetTable before = page->presets();
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        messages.clear();
        find(&dlg, "Preset Num:")->setText(r.number);
        find(&dlg, "Aliabs:")->setText(r.alias);
        type({{Page::kRowsEdit, r.rows}, {Page::kColumnsEdit, r.columns}});
        QTest::mouseClick(find<QPushButton>(&dlg, "Save"), Qt::LeftButton);
        EXPECT_EQ(messages.messages(), r.messages);
        EXPECT_EQ(page->presets(), before);
        EXPECT_EQ(testsupport::readFile(wall::kLayoutFileName), fileBefore);
    }

    // A good save: preset 5 becomes the page's 2 x 2 grid with the selected preset's panels.
    messages.clear();
    find(&dlg, "Preset Num:")->setText("5");
    find(&dlg, "Aliabs:")->setText(QString::fromLatin1("Caf\xe9 2x2"));
    type({{Page::kRowsEdit, "2"}, {Page::kColumnsEdit, "2"}});
    QTest::mouseClick(find<QPushButton>(&dlg, "Save"), Qt::LeftButton);
    EXPECT_TRUE(messages.messages().isEmpty());
    const wall::WallPreset &saved = page->presets().presets[4];
    EXPECT_EQ(saved.gridCode, 22);
    EXPECT_EQ(saved.description, "Caf\xe9 2x2");
    EXPECT_EQ(saved.panels, page->presets().presets[2].panels);
    EXPECT_EQ(testsupport::readFile(wall::kLayoutFileName), wall::FormatLayoutFile(page->presets()));
    EXPECT_EQ(list->itemText(4), QString::fromLatin1("No. 5:2x2: Caf\xe9 2x2"));
    EXPECT_EQ(list->currentIndex(), 2);
    EXPECT_EQ(find<QLabel>(&dlg, "Outcome")->text(), "Saved into preset 5 and KorvexVW.ini.");

    // A store that fails keeps the table and the file as they were.
    const wall::PresetTable saveBefore = page->presets();
    const std::string savedFile = testsupport::readFile(wall::kLayoutFileName);
    std::filesystem::create_directory(std::string(wall::kLayoutFileName) + ".tmp");
    find(&dlg, "Preset Num:")->setText("6");
    QTest::mouseClick(find<QPushButton>(&dlg, "Save"), Qt::LeftButton);
    EXPECT_EQ(messages.messages(),
              QStringList{"There is no KorvexVW.ini and faild to create new empty ini file !"});
    EXPECT_EQ(page->presets(), saveBefore);
    EXPECT_EQ(testsupport::readFile(wall::kLayoutFileName), savedFile);
    EXPECT_EQ(list->itemText(5), "No. 6:3x3:  ");
    EXPECT_TRUE(fake.texts.empty());
}

TEST_F(WallPage, LoadingAFileThatIsNotAWholePresetTableChangesNothing) {
    CPresetDlg &dlg = *page->presetDialog();
    dlg.show();
    const std::string whole = wall::DefaultLayoutFileContent();
    testsupport::writeFile("short.ini", whole.substr(0, whole.size() - 40));
    testsupport::writeFile("text.ini", "33 33 33 three\r\n");
    std::filesystem::create_directory("folder.ini");
    struct Row {
        QString chosen; // "" as if the file dialog was cancelled
        QStringList messages;
    } rows[] = {
        {"", {}},
        {"missing.ini", {"File read failed"}},
        {"folder.ini", {"File read failed"}},
        {"short.ini", {"short.ini is not a complete preset file; the presets were not changed."}},
        {"text.ini", {"text.ini is not a complete preset file; the presets were not changed."}},
    };
    page->presets().presets[0].panels[0] = WallPanel{8, 8, 0, 8, 8, 88, 88};
    const wall::PresetTable before = page->presets();
    for (const Row &r : rows) {
        SCOPED_TRACE(r.chosen.toStdString());
        messages.clear();
        QString caption;
        ui::FileDialogOverride chooser([&](const QString &c, const QString &) {
            caption = c;
            return r.chosen.isEmpty() ? QString() : QString::fromStdString(cwd.file(r.chosen.toStdString()));
        });
        QTest::mouseClick(find<QPushButton>(&dlg, "Load presets from file"), Qt::LeftButton);
        EXPECT_EQ(caption, "Load presets from file");
        EXPECT_EQ(messages.messages(), r.messages);
        EXPECT_EQ(page->presets(), before);
    }
}

} // namespace
