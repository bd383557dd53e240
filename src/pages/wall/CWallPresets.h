#pragma once

#include "wall/PresetTable.h"

#include <QObject>

class CPresetDlg;
class CWallPanelEditor;
class QComboBox;
class QPushButton;
class QWidget;

// The preset side of the VIDEO WALL page: the preset list, KorvexVW.ini read at start-up, and "Save
// to preset" with its dialog (store one preset, save all presets to a file, load them from one).
// A preset's grid code becomes the editor's grid size, and the editor's grid size goes into a
// saved preset. Its controls are built on the page and laid out by the editor.
class CWallPresets : public QObject {
    Q_OBJECT
public:
    // Controls without an identifier, named by caption or label.
    static constexpr const char *kPresetList = "Preset";
    static constexpr const char *kSaveButton = "Save to preset";

    CWallPresets(wall::PresetTable &presets, CWallPanelEditor &panels, QWidget *page);

    QComboBox *list() const { return m_list; }
    QPushButton *saveButton() const { return m_saveButton; }
    CPresetDlg *dialog() const { return m_dialog; }

    // The list's selection: index 0..31, -1 for none.
    int selectedPreset() const;
    wall::WallPreset *selected();

    // Reads the layout file into the presets (its failures as messages), rebuilds the preset list
    // and shows the panel buttons of the selected preset's grid.
    void LoadLayoutFile();
    // The presets as read into the table: the list, the grid and its panel buttons.
    void showLoadedLayout();
    // Reads the layout file into the table; its failures are shown as messages over `parent`.
    static void readLayoutFile(wall::PresetTable &presets, QWidget *parent);
    // Writes the 32 list entries, keeps the selection (the first preset when there is none), takes
    // rows and columns from the selected preset's grid code and writes every value to the edits.
    void RefreshPresetList();
    void openPresetDialog();

private:
    void writePresetTexts();
    void savePreset(int number, const QString &alias);
    void saveAllPresets();
    void loadPresets();

    wall::PresetTable &m_presets;
    CWallPanelEditor &m_panels;
    QWidget *m_page;
    QComboBox *m_list = nullptr;
    QPushButton *m_saveButton = nullptr;
    CPresetDlg *m_dialog = nullptr;
};
