#pragma once

#include "pages/base/CConsolePage.h"
#include "wall/PanelArrangement.h"
#include "wall/PresetTable.h"

#include <QTimer>
#include <array>

class CPanelArrangeDlg;
class CPresetDlg;
class QComboBox;
class QLineEdit;
namespace ui {
class Exchange;
}
class QPushButton;

// The VIDEO WALL page (template 183): 32 wall presets of up to 6 x 6 panels, one panel's switcher
// output, rotation and capture rectangle in the edits, and the panel lines sent to the switchers.
// It owns the presets (loaded from KorvexVW.ini in its start-up step), the physical arrangement
// and its two dialogs. It only sends; no reply changes it.
class CVideoWallPage : public CConsolePage {
    Q_OBJECT
public:
    static constexpr int kTemplate = 183;
    // A single click shows its panel after this wait, unless a double click comes first.
    static constexpr int kDoubleClickWaitMs = 200;

    // Controls without an identifier, named by caption or label.
    static constexpr const char *kPresetList = "Preset";
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
    static constexpr const char *kSaveButton = "Save to preset";
    static constexpr const char *kUpdateButton = "Update to panel";
    static constexpr const char *kFullScreenButton = "Full Screen";
    static constexpr const char *kCaptureGroup = "Capture(Top left and Right bottom)";

    // "W11".."W66" for row and column 0..5.
    static QString panelButtonName(int row, int column);

    explicit CVideoWallPage(session::IDeviceConsole *console, QWidget *parent = nullptr);
    ~CVideoWallPage() override;

    void OnInitPage() override;

    const wall::PresetTable &presets() const { return m_presets; }
    wall::PresetTable &presets() { return m_presets; }
    const wall::PanelArrangement &arrangement() const { return m_arrangement; }
    int currentPanel() const { return m_currentPanel; }
    int selectedPreset() const; // index 0..31, -1 for none
    unsigned rows() const { return m_rows; }
    unsigned columns() const { return m_columns; }
    bool panelClickPending() const { return m_clickTimer.isActive(); }
    CPanelArrangeDlg *arrangeDialog() const { return m_arrangeDlg; }
    CPresetDlg *presetDialog() const { return m_presetDlg; }

    // Reads the layout file into the presets (its failures as messages), rebuilds the preset list
    // and shows the panel buttons of the selected preset's grid.
    void LoadLayoutFile();
    // Writes the 32 list entries, keeps the selection (the first preset when there is none), takes
    // rows and columns from the selected preset's grid code and writes every value to the edits.
    void RefreshPresetList();
    // Shows the buttons of the first rows x columns panels and hides the others.
    void ShowPanelGrid(unsigned rows, unsigned columns);
    void LoadPanelToEdits(int panel);
    // Sends the stored panel of the selected preset when the port is on, then shows it. A panel that
    // cannot form a valid line is shown but not sent, and a message says why.
    void SendPanel(int panel);
    void UpdatePanel();
    void SendFullScreen();
    void ArrangePanels();
    void OpenPresetDialog();

    // Exchanges the members with the edits: take = true reads and checks them (the first bad one
    // shows its message; false), take = false writes them.
    bool UpdateData(bool take) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildPanelGrid();
    QWidget *buildSettings();
    void OnPanelClicked(int panel);
    void OnClickWaitOver();
    void writePresetTexts();
    void exchangeGrid(ui::Exchange &dx);
    void exchangePanel(ui::Exchange &dx);
    bool takeGrid();
    void SavePreset(int number, const QString &alias);
    void SaveAllPresets();
    void LoadPresets();

    wall::PresetTable m_presets;
    wall::PanelArrangement m_arrangement;

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

    QComboBox *m_presetList = nullptr;
    QLineEdit *m_rowsEdit = nullptr;
    QLineEdit *m_columnsEdit = nullptr;
    // "Device addr:", "Out port Num:", "Rotation angle:", then TL x, TL y, RB x, RB y.
    std::array<QLineEdit *, 7> m_panelEdits{};
    std::array<QPushButton *, 36> m_panelButtons{};
    CPanelArrangeDlg *m_arrangeDlg = nullptr;
    CPresetDlg *m_presetDlg = nullptr;
};
