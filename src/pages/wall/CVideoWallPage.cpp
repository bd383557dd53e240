#include "pages/wall/CVideoWallPage.h"

#include "pages/wall/CWallPanelEditor.h"
#include "pages/wall/CWallPresets.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>

CVideoWallPage::CVideoWallPage(session::IDeviceConsole *console, QWidget *parent)
    : CConsolePage(kTemplate, console, parent) {
    constructed();
}

void CVideoWallPage::buildControls() {
    CWallPanelEditor::Links links;
    links.selectedPreset = [this] { return m_presetActions->selected(); };
    links.portOn = [this] { return portOn(); };
    links.send = [this](const std::string &line) { send(line); };
    m_editor = new CWallPanelEditor(std::move(links), this);
    m_presetActions = new CWallPresets(m_presets, *m_editor, this);
    m_editor->placePresetControls(m_presetActions->list(), m_presetActions->saveButton());
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_editor);
    if (m_layoutRead)
        showLayout();
}

CVideoWallPage::~CVideoWallPage() = default;

void CVideoWallPage::onInitPage() {
    CWallPresets::readLayoutFile(m_presets, this);
    m_layoutRead = true;
    if (built())
        showLayout();
}

void CVideoWallPage::showLayout() {
    m_presetActions->showLoadedLayout();
    m_editor->setCurrentPanel(0);
}

const wall::PanelArrangement &CVideoWallPage::arrangement() const {
    return m_editor->arrangement();
}

int CVideoWallPage::currentPanel() const {
    return m_editor->currentPanel();
}

bool CVideoWallPage::panelClickPending() const {
    return m_editor->panelClickPending();
}

CPresetDlg *CVideoWallPage::presetDialog() const {
    return m_presetActions->dialog();
}

bool CVideoWallPage::updateData(bool take) {
    return !built() || m_editor->updateData(take);
}
