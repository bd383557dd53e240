#pragma once

#include "wall/PresetTable.h"

#include <QWidget>

class IDeviceConsole;

// The VIDEO WALL page (template 183). It owns the 32 wall presets and loads them from the layout
// file while it is created, so a console started in an empty folder writes the default file.
class CVideoWallPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTemplate = 183;

    explicit CVideoWallPage(IDeviceConsole *console, QWidget *parent = nullptr);

    const wall::PresetTable &presets() const { return m_presets; }
    wall::PresetTable &presets() { return m_presets; }

    // Reads the layout file into the presets, showing its failure messages.
    void LoadLayoutFile();

private:
    IDeviceConsole *m_console;
    wall::PresetTable m_presets;
};
