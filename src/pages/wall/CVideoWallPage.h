#pragma once

#include "pages/base/CConsolePage.h"
#include "wall/PanelArrangement.h"
#include "wall/PresetTable.h"

class CPresetDlg;
class CWallPanelEditor;
class CWallPresets;

// The VIDEO WALL page (template 183): 32 wall presets of up to 6 x 6 panels, one panel's switcher
// output, rotation and capture rectangle in the edits, and the panel lines sent to the switchers.
// It owns the presets (loaded from KorvexVW.ini in its start-up step) and composes the panel editor
// (panel buttons, panel edits and their actions) with the preset list and its file actions. It only
// sends; no reply changes it.
class CVideoWallPage : public CConsolePage {
    Q_OBJECT
public:
    static constexpr int kTemplate = 183;

    explicit CVideoWallPage(session::IDeviceConsole *console, QWidget *parent = nullptr);
    ~CVideoWallPage() override;

    // Loads the layout file and starts on panel 0 (the file is read at once, so its messages keep
    // their place at start-up, and shown once the controls are built).
    void onInitPage() override;

    CWallPanelEditor *panelEditor() const { return m_editor; }
    CWallPresets *presetActions() const { return m_presetActions; }

    const wall::PresetTable &presets() const { return m_presets; }
    wall::PresetTable &presets() { return m_presets; }
    const wall::PanelArrangement &arrangement() const;
    int currentPanel() const;
    bool panelClickPending() const;
    CPresetDlg *presetDialog() const;

    // Exchanges the page's values with its edits: take = true reads and checks them (the first bad
    // one shows its message; false), take = false writes them.
    bool updateData(bool take) override;

protected:
    void buildControls() override;

private:
    void showLayout();

    wall::PresetTable m_presets;
    bool m_layoutRead = false;
    CWallPanelEditor *m_editor = nullptr;
    CWallPresets *m_presetActions = nullptr;
};
