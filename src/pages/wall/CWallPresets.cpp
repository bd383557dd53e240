#include "pages/wall/CWallPresets.h"

#include "pages/wall/CPresetDlg.h"
#include "pages/wall/CWallPanelEditor.h"
#include "ui/Controls.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"
#include "wall/LayoutFile.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <algorithm>

namespace {

const QString kPresetFileFilter = QStringLiteral("Video wall presets (*.ini);;All files (*)");

QString name(const char *text) {
    return QString::fromLatin1(text);
}

} // namespace

CWallPresets::CWallPresets(wall::PresetTable &presets, CWallPanelEditor &panels, QWidget *page)
    : QObject(page), m_presets(presets), m_panels(panels), m_page(page) {
    m_list = new QComboBox(page);
    m_list->setObjectName(name(kPresetList));
    m_list->setEditable(false);
    m_list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_list->setMinimumContentsLength(16);
    ui::guardWheel(m_list);

    m_saveButton = ui::makeButton(name(kSaveButton), page);
    connect(m_saveButton, &QPushButton::clicked, this, [this] { openPresetDialog(); });

    m_dialog = new CPresetDlg(page);
    connect(m_dialog, &CPresetDlg::savePreset, this,
            [this](int number, const QString &alias) { savePreset(number, alias); });
    connect(m_dialog, &CPresetDlg::saveAllPresets, this, [this] { saveAllPresets(); });
    connect(m_dialog, &CPresetDlg::loadPresets, this, [this] { loadPresets(); });
}

int CWallPresets::selectedPreset() const {
    const int index = m_list->currentIndex();
    return index >= 0 && index < wall::kPresetCount ? index : -1;
}

wall::WallPreset *CWallPresets::selected() {
    const int index = selectedPreset();
    return index < 0 ? nullptr : &m_presets.presets[static_cast<std::size_t>(index)];
}

// ---- the layout file and the preset list ----

void CWallPresets::readLayoutFile(wall::PresetTable &presets, QWidget *parent) {
    for (const std::string &message : wall::LoadLayoutFile(presets))
        ui::messageBox(parent, QString::fromStdString(message));
}

void CWallPresets::LoadLayoutFile() {
    readLayoutFile(m_presets, m_page);
    showLoadedLayout();
}

void CWallPresets::showLoadedLayout() {
    RefreshPresetList();
    m_panels.ShowPanelGrid(m_panels.rows(), m_panels.columns());
}

void CWallPresets::writePresetTexts() {
    if (m_list->count() != wall::kPresetCount) {
        m_list->clear();
        for (int n = 1; n <= wall::kPresetCount; ++n)
            m_list->addItem(QString());
    }
    for (int n = 1; n <= wall::kPresetCount; ++n) {
        const wall::WallPreset &preset = m_presets.presets[static_cast<std::size_t>(n - 1)];
        // The file holds one byte per character.
        m_list->setItemText(n - 1, QString::fromLatin1(wall::presetListText(n, preset)));
    }
}

void CWallPresets::RefreshPresetList() {
    const int selection = std::max(0, m_list->currentIndex());
    writePresetTexts();
    m_list->setCurrentIndex(selection);
    const uint16_t code = m_presets.presets[static_cast<std::size_t>(selection)].gridCode;
    m_panels.setGrid(wall::gridRows(code), wall::gridColumns(code));
    m_panels.updateData(false);
}

// ---- presets ----

void CWallPresets::openPresetDialog() {
    m_dialog->exec();
}

// The page's grid and the selected preset's panels become preset `number`, described by the alias,
// and the whole table is stored in KorvexVW.ini. A failed store leaves the table as it was.
void CWallPresets::savePreset(int number, const QString &alias) {
    const int source = selectedPreset();
    if (source < 0 || number < 1 || number > wall::kPresetCount || !m_panels.takeGrid())
        return;
    const wall::PresetTable before = m_presets;
    wall::WallPreset &target = m_presets.presets[static_cast<std::size_t>(number - 1)];
    target.panels = m_presets.presets[static_cast<std::size_t>(source)].panels;
    target.gridCode = wall::gridCode(m_panels.rows(), m_panels.columns());
    target.description = alias.toLatin1().toStdString();

    const std::vector<std::string> failures = wall::saveLayoutFile(m_presets);
    if (!failures.empty()) {
        m_presets = before;
        for (const std::string &message : failures)
            ui::messageBox(m_dialog, QString::fromStdString(message));
        m_dialog->showOutcome(QStringLiteral("Preset %1 was not saved.").arg(number));
        return;
    }
    writePresetTexts();
    m_dialog->showOutcome(
        QStringLiteral("Saved into preset %1 and %2.").arg(number).arg(name(wall::kLayoutFileName)));
}

void CWallPresets::saveAllPresets() {
    const QString path = ui::saveFileName(m_dialog, name(CPresetDlg::kSaveAllButton), kPresetFileFilter,
                                          QStringLiteral("ini"));
    if (path.isEmpty())
        return;
    if (!wall::savePresetFile(m_presets, QFile::encodeName(path).toStdString())) {
        ui::messageBox(m_dialog, QStringLiteral("Failed to write %1 !").arg(path));
        return;
    }
    m_dialog->showOutcome(QStringLiteral("All presets saved to %1.").arg(QFileInfo(path).fileName()));
}

// A whole preset file replaces the table in memory; KorvexVW.ini changes only with the next "Save".
void CWallPresets::loadPresets() {
    const QString path = ui::openFileName(m_dialog, name(CPresetDlg::kLoadButton), kPresetFileFilter);
    if (path.isEmpty())
        return;
    const QString fileName = QFileInfo(path).fileName();
    switch (wall::loadPresetFile(m_presets, QFile::encodeName(path).toStdString())) {
    case wall::PresetFileResult::CannotOpen:
        ui::messageBox(m_dialog, QStringLiteral("File read failed"));
        return;
    case wall::PresetFileResult::Incomplete:
        ui::messageBox(
            m_dialog,
            QStringLiteral("%1 is not a complete preset file; the presets were not changed.").arg(fileName));
        return;
    case wall::PresetFileResult::Loaded:
        break;
    }
    RefreshPresetList();
    m_panels.ShowPanelGrid(m_panels.rows(), m_panels.columns());
    m_dialog->showOutcome(QStringLiteral("Presets loaded from %1.").arg(fileName));
}
