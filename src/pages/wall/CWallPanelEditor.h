#pragma once

#include "wall/PanelArrangement.h"
#include "wall/WallPreset.h"

#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <string>

class CPanelArrangeDlg;
class QBoxLayout;
class QLineEdit;
class QPushButton;
namespace ui {
class Exchange;
}

// The panel side of the VIDEO WALL page: the 6 x 6 panel buttons, the grid size that shows them, one
// panel's switcher address, output, rotation and capture rectangle in the edits, and the actions on
// them ("Update to panel", "Full Screen", "Panels Arragement" with its dialog). It edits the panels
// of the preset its page has selected and sends through its page. Not a lookup scope of its own:
// its controls belong to the page.
class CWallPanelEditor : public QWidget {
    Q_OBJECT
public:
    // A single click shows its panel after this wait, unless a double click comes first.
    static constexpr int kDoubleClickWaitMs = 200;

    // Controls without an identifier, named by caption or label.
    static constexpr const char *kRowsEdit = "Rows";
    static constexpr const char *kColumnsEdit = "Columns";
    static constexpr const char *kDeviceEdit = "Device addr:";
    static constexpr const char *kPortEdit = "Out port Num:   (1~9)";
    static constexpr const char *kRotationEdit = "Rotation angle: (0,90,180,270)";
    static constexpr const char *kTlXEdit = "TL x";
    static constexpr const char *kTlYEdit = "TL y";
    static constexpr const char *kRbXEdit = "RB x";
    static constexpr const char *kRbYEdit = "RB y";
    static constexpr const char *kArrangeButton = "Panels Arragement";
    static constexpr const char *kUpdateButton = "Update to panel";
    static constexpr const char *kFullScreenButton = "Full Screen";
    static constexpr const char *kCaptureGroup = "Capture(Top left and Right bottom)";

    // "W11".."W66" for row and column 0..5.
    static QString panelButtonName(int row, int column);

    // What the editor works through: the page's selected preset (null for none), its port-on flag
    // and its sending (nothing goes out while the port is off).
    struct Links {
        std::function<wall::WallPreset *()> selectedPreset;
        std::function<bool()> portOn;
        std::function<void(const std::string &)> send;
    };

    explicit CWallPanelEditor(Links links, QWidget *parent = nullptr);
    ~CWallPanelEditor() override;

    // Lays out the page's preset controls with the editor's own: the list under "Panels Arragement",
    // the save button at the end of the grid-size row, each in its place in the tab order.
    void placePresetControls(QWidget *presetList, QWidget *saveButton);

    const wall::PanelArrangement &arrangement() const { return m_arrangement; }
    CPanelArrangeDlg *arrangeDialog() const { return m_arrangeDlg; }
    int currentPanel() const { return m_currentPanel; }
    void setCurrentPanel(int panel) { m_currentPanel = panel; }
    bool panelClickPending() const { return m_clickTimer.isActive(); }

    unsigned rows() const { return m_rows; }
    unsigned columns() const { return m_columns; }
    // The grid size a preset gives; the edits show it with the next updateData(false).
    void setGrid(unsigned rows, unsigned columns);
    // Reads and checks only the grid-size edits.
    bool takeGrid();

    // Exchanges the values with the edits (grid size, then the panel): take = true reads and checks
    // them (the first bad one shows its message; false), take = false writes them.
    bool updateData(bool take);

    // Shows the buttons of the first rows x columns panels and hides the others.
    void ShowPanelGrid(unsigned rows, unsigned columns);
    void LoadPanelToEdits(int panel);
    // Sends the stored panel of the selected preset when the port is on, then shows it. A panel that
    // cannot form a valid line is shown but not sent, and a message says why.
    void SendPanel(int panel);
    void UpdatePanel();
    void SendFullScreen();
    void arrangePanels();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildPanelGrid();
    QWidget *buildSettings();
    void onPanelClicked(int panel);
    void onClickWaitOver();
    void exchangeGrid(ui::Exchange &dx);
    void exchangePanel(ui::Exchange &dx);

    Links m_links;
    wall::PanelArrangement m_arrangement;
    CPanelArrangeDlg *m_arrangeDlg = nullptr;

    unsigned m_rows = 0;
    unsigned m_columns = 0;
    unsigned m_deviceAddress = 0;
    int m_outputPort = 0;
    int m_rotation = 0;
    unsigned m_tlX = 0;
    unsigned m_tlY = 0;
    unsigned m_rbX = 0;
    unsigned m_rbY = 0;

    int m_currentPanel = 0;
    int m_pendingPanel = -1; // clicked once, shown when the double-click wait is over
    QTimer m_clickTimer;

    QPushButton *m_arrangeButton = nullptr;
    QBoxLayout *m_settings = nullptr; // the column beside the panel grid
    QBoxLayout *m_gridRow = nullptr;  // rows "x" columns
    QLineEdit *m_rowsEdit = nullptr;
    QLineEdit *m_columnsEdit = nullptr;
    // "Device addr:", "Out port Num:", "Rotation angle:", then TL x, TL y, RB x, RB y.
    std::array<QLineEdit *, 7> m_panelEdits{};
    // Indexed by panel (6 x row + column); a double click finds its panel here.
    std::array<QPushButton *, wall::kPanelCount> m_panelButtons{};
};
