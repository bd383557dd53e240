#pragma once

#include "pages/base/CConsolePage.h"
#include "wall/PresetTable.h"

// The VIDEO WALL page (template 183). It owns the 32 wall presets and loads them from the layout
// file in its start-up step, so a console started in an empty folder writes the default file.
class CVideoWallPage : public CConsolePage {
    Q_OBJECT
public:
    static constexpr int kTemplate = 183;

    explicit CVideoWallPage(IDeviceConsole *console, QWidget *parent = nullptr);

    void OnInitPage() override { LoadLayoutFile(); }

    const wall::PresetTable &presets() const { return m_presets; }
    wall::PresetTable &presets() { return m_presets; }

    // Reads the layout file into the presets, showing its failure messages.
    void LoadLayoutFile();

private:
    wall::PresetTable m_presets;
};
