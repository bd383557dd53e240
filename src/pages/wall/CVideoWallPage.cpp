#include "pages/wall/CVideoWallPage.h"

#include "pages/wall/CPanelArrangeDlg.h"
#include "pages/wall/CPresetDlg.h"
#include "ui/Controls.h"
#include "ui/Exchange.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"
#include "wall/ComputeCaptureRects.h"
#include "wall/LayoutFile.h"
#include "wall/PanelCommand.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr const char *kPanelIndexProperty = "panelIndex";
const QString kPresetFileFilter = QStringLiteral("Video wall presets (*.ini);;All files (*)");

QString name(const char *text) {
    return QString::fromLatin1(text);
}

// Plain edit for a number of a few digits, named by its label.
QLineEdit *numberEdit(const char *editName, int digits, QWidget *parent) {
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name(editName));
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QString(digits + 2, QLatin1Char('0'))));
    return edit;
}

// The edits show a stored coordinate as it is; one below 0 (only a hand-edited file holds one)
// shows as 0, which the checks of "Update to panel" refuse like the stored value.
unsigned shownCoordinate(int16_t value) {
    return static_cast<unsigned>(std::max<int>(0, value));
}

} // namespace

QString CVideoWallPage::panelButtonName(int row, int column) {
    return QStringLiteral("W%1%2").arg(row + 1).arg(column + 1);
}

CVideoWallPage::CVideoWallPage(session::IDeviceConsole *console, QWidget *parent)
    : CConsolePage(kTemplate, console, parent) {
    m_clickTimer.setSingleShot(true);
    m_clickTimer.setInterval(kDoubleClickWaitMs);
    connect(&m_clickTimer, &QTimer::timeout, this, [this] { OnClickWaitOver(); });

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(buildPanelGrid(), 1);
    layout->addWidget(buildSettings());

    m_arrangeDlg = new CPanelArrangeDlg(this);
    m_presetDlg = new CPresetDlg(this);
    connect(m_presetDlg, &CPresetDlg::savePreset, this,
            [this](int number, const QString &alias) { SavePreset(number, alias); });
    connect(m_presetDlg, &CPresetDlg::saveAllPresets, this, [this] { SaveAllPresets(); });
    connect(m_presetDlg, &CPresetDlg::loadPresets, this, [this] { LoadPresets(); });

    UpdateData(false);
}

CVideoWallPage::~CVideoWallPage() = default;

QWidget *CVideoWallPage::buildPanelGrid() {
    auto *box = new QGroupBox(this);
    box->setObjectName(QStringLiteral("Panels"));
    auto *grid = new QGridLayout(box);
    // Panel-shaped buttons; a smaller wall keeps its buttons where they are in the 6 x 6 grid.
    const int em = fontMetrics().height();
    const QSize panelSize(em * 7 / 2, em * 9 / 4);
    for (int row = 0; row < wall::kGridSide; ++row) {
        for (int column = 0; column < wall::kGridSide; ++column) {
            auto *b = new QPushButton(panelButtonName(row, column), box);
            b->setObjectName(panelButtonName(row, column));
            b->setAutoDefault(false);
            b->setFixedSize(panelSize);
            QSizePolicy policy = b->sizePolicy();
            policy.setRetainSizeWhenHidden(true);
            b->setSizePolicy(policy);
            const int index = wall::PanelIndex(row, column);
            b->setProperty(kPanelIndexProperty, index);
            b->installEventFilter(this);
            connect(b, &QPushButton::clicked, this, [this, index] { OnPanelClicked(index); });
            m_panelButtons[static_cast<std::size_t>(index)] = b;
            grid->addWidget(b, row, column);
        }
    }
    grid->setRowStretch(wall::kGridSide, 1);
    grid->setColumnStretch(wall::kGridSide, 1);
    return box;
}

QWidget *CVideoWallPage::buildSettings() {
    auto *panel = new QWidget(this);
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);

    auto *arrange = ui::makeButton(name(kArrangeButton), panel);
    column->addWidget(arrange);

    m_presetList = new QComboBox(panel);
    m_presetList->setObjectName(name(kPresetList));
    m_presetList->setEditable(false);
    m_presetList->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_presetList->setMinimumContentsLength(16);
    ui::guardWheel(m_presetList);
    column->addWidget(m_presetList);

    auto *gridRow = new QHBoxLayout;
    gridRow->addWidget(m_rowsEdit = numberEdit(kRowsEdit, 2, panel));
    gridRow->addWidget(new QLabel(QStringLiteral("x"), panel));
    gridRow->addWidget(m_columnsEdit = numberEdit(kColumnsEdit, 2, panel));
    gridRow->addStretch(1);
    auto *save = ui::makeButton(name(kSaveButton), panel);
    gridRow->addWidget(save);
    column->addLayout(gridRow);

    auto *values = new QGridLayout;
    int row = 0;
    for (const char *label : {kDeviceEdit, kPortEdit, kRotationEdit}) {
        auto *caption = new QLabel(name(label), panel);
        auto *edit = m_panelEdits[static_cast<std::size_t>(row)] = numberEdit(label, 4, panel);
        caption->setBuddy(edit);
        values->addWidget(caption, row, 0);
        values->addWidget(edit, row, 1);
        ++row;
    }
    values->setColumnStretch(2, 1);
    column->addLayout(values);

    auto *capture = new QGroupBox(name(kCaptureGroup), panel);
    capture->setObjectName(name(kCaptureGroup));
    auto *corners = new QGridLayout(capture);
    const char *edits[2][2] = {{kTlXEdit, kTlYEdit}, {kRbXEdit, kRbYEdit}};
    const QString openers[2] = {QStringLiteral("TL:("), QStringLiteral("RB:(")};
    for (int corner = 0; corner < 2; ++corner) {
        corners->addWidget(new QLabel(openers[corner], capture), corner, 0);
        const auto at = static_cast<std::size_t>(3 + 2 * corner);
        m_panelEdits[at] = numberEdit(edits[corner][0], 4, capture);
        m_panelEdits[at + 1] = numberEdit(edits[corner][1], 4, capture);
        corners->addWidget(m_panelEdits[at], corner, 1);
        corners->addWidget(new QLabel(QStringLiteral(","), capture), corner, 2);
        corners->addWidget(m_panelEdits[at + 1], corner, 3);
        corners->addWidget(new QLabel(QStringLiteral(")"), capture), corner, 4);
    }
    corners->setColumnStretch(5, 1);
    column->addWidget(capture);

    auto *actions = new QHBoxLayout;
    auto *update = ui::makeButton(name(kUpdateButton), panel);
    auto *fullScreen = ui::makeButton(name(kFullScreenButton), panel);
    actions->addWidget(update);
    actions->addWidget(fullScreen);
    column->addLayout(actions);
    column->addStretch(1);

    connect(arrange, &QPushButton::clicked, this, [this] { ArrangePanels(); });
    connect(save, &QPushButton::clicked, this, [this] { OpenPresetDialog(); });
    connect(update, &QPushButton::clicked, this, [this] { UpdatePanel(); });
    connect(fullScreen, &QPushButton::clicked, this, [this] { SendFullScreen(); });
    return panel;
}

void CVideoWallPage::OnInitPage() {
    LoadLayoutFile();
    m_currentPanel = 0;
}

int CVideoWallPage::selectedPreset() const {
    const int index = m_presetList->currentIndex();
    return index >= 0 && index < wall::kPresetCount ? index : -1;
}

bool CVideoWallPage::UpdateData(bool take) {
    ui::Exchange dx(this, take ? ui::Exchange::Take : ui::Exchange::Refresh);
    exchangeGrid(dx);
    exchangePanel(dx);
    return dx.ok();
}

void CVideoWallPage::exchangeGrid(ui::Exchange &dx) {
    dx.unsignedEdit(m_rowsEdit, m_rows, 1u, 6u).unsignedEdit(m_columnsEdit, m_columns, 1u, 6u);
}

void CVideoWallPage::exchangePanel(ui::Exchange &dx) {
    dx.unsignedEdit(m_panelEdits[0], m_deviceAddress, 0u, 99u)
        .intEdit(m_panelEdits[1], m_outputPort)
        .intEdit(m_panelEdits[2], m_rotation)
        .unsignedEdit(m_panelEdits[3], m_tlX)
        .unsignedEdit(m_panelEdits[4], m_tlY)
        .unsignedEdit(m_panelEdits[5], m_rbX)
        .unsignedEdit(m_panelEdits[6], m_rbY);
}

// ---- the layout file and the preset list ----

void CVideoWallPage::LoadLayoutFile() {
    for (const std::string &message : wall::LoadLayoutFile(m_presets))
        ui::messageBox(this, QString::fromStdString(message));
    RefreshPresetList();
    ShowPanelGrid(m_rows, m_columns);
}

void CVideoWallPage::writePresetTexts() {
    if (m_presetList->count() != wall::kPresetCount) {
        m_presetList->clear();
        for (int n = 1; n <= wall::kPresetCount; ++n)
            m_presetList->addItem(QString());
    }
    for (int n = 1; n <= wall::kPresetCount; ++n) {
        const wall::WallPreset &preset = m_presets.presets[static_cast<std::size_t>(n - 1)];
        // The file holds one byte per character.
        m_presetList->setItemText(n - 1, QString::fromLatin1(wall::PresetListText(n, preset)));
    }
}

void CVideoWallPage::RefreshPresetList() {
    const int selection = std::max(0, m_presetList->currentIndex());
    writePresetTexts();
    m_presetList->setCurrentIndex(selection);
    const uint16_t code = m_presets.presets[static_cast<std::size_t>(selection)].gridCode;
    m_rows = wall::GridRows(code);
    m_columns = wall::GridColumns(code);
    UpdateData(false);
}

void CVideoWallPage::ShowPanelGrid(unsigned rows, unsigned columns) {
    for (int row = 0; row < wall::kGridSide; ++row)
        for (int column = 0; column < wall::kGridSide; ++column)
            m_panelButtons[static_cast<std::size_t>(wall::PanelIndex(row, column))]->setVisible(
                static_cast<unsigned>(row) < rows && static_cast<unsigned>(column) < columns);
}

// ---- panels ----

// A click waits for a possible second one before showing its panel; a click on another panel in
// the meantime replaces the pending one, so the edits always show the current panel.
void CVideoWallPage::OnPanelClicked(int panel) {
    m_currentPanel = panel;
    m_pendingPanel = panel;
    m_clickTimer.start();
}

void CVideoWallPage::OnClickWaitOver() {
    const int panel = m_pendingPanel;
    m_pendingPanel = -1;
    if (panel >= 0)
        LoadPanelToEdits(panel);
}

// The double click arrives as the second press: it cancels the pending single click and sends the
// panel once. Taking the event keeps the button from being pressed again, so no second click
// follows on the release.
bool CVideoWallPage::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        const QVariant index = watched->property(kPanelIndexProperty);
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (index.isValid() && mouse->button() == Qt::LeftButton) {
            m_clickTimer.stop();
            m_pendingPanel = -1;
            m_currentPanel = index.toInt();
            SendPanel(m_currentPanel);
            return true;
        }
    }
    return CConsolePage::eventFilter(watched, event);
}

void CVideoWallPage::LoadPanelToEdits(int panel) {
    const int preset = selectedPreset();
    if (preset < 0 || panel < 0 || panel >= wall::kPanelCount)
        return;
    const wall::WallPanel &p =
        m_presets.presets[static_cast<std::size_t>(preset)].panels[static_cast<std::size_t>(panel)];
    m_deviceAddress = p.deviceAddress;
    m_outputPort = p.outputPort;
    m_rotation = p.rotation;
    m_tlX = shownCoordinate(p.x1);
    m_tlY = shownCoordinate(p.y1);
    m_rbX = shownCoordinate(p.x2);
    m_rbY = shownCoordinate(p.y2);
    // Only the panel's edits: a grid size typed and not yet used stays as typed.
    ui::Exchange dx(this, ui::Exchange::Refresh);
    exchangePanel(dx);
}

void CVideoWallPage::SendPanel(int panel) {
    const int preset = selectedPreset();
    if (preset < 0 || panel < 0 || panel >= wall::kPanelCount)
        return;
    QString refusal;
    if (portOn()) {
        const wall::PanelCommand command = wall::BuildPanelCommand(
            m_presets.presets[static_cast<std::size_t>(preset)].panels[static_cast<std::size_t>(panel)]);
        if (command.ok())
            send(command.line); // carries the panel's own address prefix
        else
            refusal = QString::fromStdString(command.reason);
    }
    LoadPanelToEdits(panel);
    if (!refusal.isEmpty()) {
        const QString button = panelButtonName(panel / wall::kGridSide, panel % wall::kGridSide);
        ui::messageBox(this, QStringLiteral("Panel %1 was not sent: %2").arg(button, refusal));
    }
}

void CVideoWallPage::UpdatePanel() {
    if (!UpdateData(true))
        return;
    const int preset = selectedPreset();
    if (preset < 0)
        return;
    if (m_outputPort < 1 || m_outputPort > 9) {
        ui::messageBox(this, QStringLiteral("Port number should be 1~9 !"));
        return;
    }
    if (m_rotation != 0 && m_rotation != 90 && m_rotation != 180 && m_rotation != 270) {
        ui::messageBox(this, QStringLiteral("Rotation angle should be 0, 90, 180 or 270 degree !"));
        return;
    }
    auto inX = [](unsigned x) { return x >= 1 && x <= 1920; };
    auto inY = [](unsigned y) { return y >= 1 && y <= 1080; };
    if (!inX(m_rbX) || !inX(m_tlX) || !inY(m_rbY) || !inY(m_tlY)) {
        ui::messageBox(this, QStringLiteral(" illegal coordinate data (x: 1~1920, y: 1~1080) !"));
        return;
    }
    if (m_rbX <= m_tlX || m_rbY <= m_tlY) {
        ui::messageBox(
            this,
            QStringLiteral("Coordinate of left top coner must be less than that of right bottom coner !"));
        return;
    }
    // Every value was checked above, so each fits its field.
    wall::WallPanel &p =
        m_presets.presets[static_cast<std::size_t>(preset)].panels[static_cast<std::size_t>(m_currentPanel)];
    p.deviceAddress = static_cast<uint8_t>(m_deviceAddress);
    p.outputPort = static_cast<uint8_t>(m_outputPort);
    p.rotation = static_cast<int16_t>(m_rotation);
    p.x1 = static_cast<int16_t>(m_tlX);
    p.y1 = static_cast<int16_t>(m_tlY);
    p.x2 = static_cast<int16_t>(m_rbX);
    p.y2 = static_cast<int16_t>(m_rbY);
    SendPanel(m_currentPanel);
}

// The whole frame on the output in the edits; nothing is stored.
void CVideoWallPage::SendFullScreen() {
    if (!UpdateData(true))
        return;
    if (m_outputPort < 1 || m_outputPort > 9) {
        ui::messageBox(this, QStringLiteral("Port number should be 1~9 !"));
        return;
    }
    if (!portOn())
        return;
    const wall::PanelCommand command =
        wall::BuildFullScreenCommand(m_deviceAddress, m_outputPort, m_rotation);
    if (command.ok())
        send(command.line);
}

void CVideoWallPage::ArrangePanels() {
    if (!UpdateData(true))
        return;
    ShowPanelGrid(m_rows, m_columns);
    m_arrangeDlg->setGrid(m_rows, m_columns);
    if (m_arrangeDlg->exec() != QDialog::Accepted)
        return;
    m_arrangement = m_arrangeDlg->arrangement();
    if (m_arrangement.vertical && m_rows <= m_columns) {
        ui::messageBox(this, QStringLiteral("Panel in row should be more than panel in column."));
        return;
    }
    const int preset = selectedPreset();
    if (preset < 0)
        return;
    // The new rectangles show when a panel is next clicked; nothing is sent.
    const wall::CaptureResult result = wall::ComputeCaptureRects(
        m_arrangement, m_rows, m_columns, m_presets.presets[static_cast<std::size_t>(preset)]);
    if (result != wall::CaptureResult::Computed)
        ui::messageBox(this, QString::fromLatin1(wall::CaptureResultText(result)));
}

// ---- presets ----

void CVideoWallPage::OpenPresetDialog() {
    m_presetDlg->exec();
}

// Only the grid-size edits: the panel edits play no part in a preset save.
bool CVideoWallPage::takeGrid() {
    ui::Exchange dx(this, ui::Exchange::Take);
    exchangeGrid(dx);
    return dx.ok();
}

// The page's grid and the selected preset's panels become preset `number`, described by the alias,
// and the whole table is stored in KorvexVW.ini. A failed store leaves the table as it was.
void CVideoWallPage::SavePreset(int number, const QString &alias) {
    const int source = selectedPreset();
    if (source < 0 || number < 1 || number > wall::kPresetCount || !takeGrid())
        return;
    const wall::PresetTable before = m_presets;
    wall::WallPreset &target = m_presets.presets[static_cast<std::size_t>(number - 1)];
    target.panels = m_presets.presets[static_cast<std::size_t>(source)].panels;
    target.gridCode = wall::GridCode(m_rows, m_columns);
    target.description = alias.toLatin1().toStdString();

    const std::vector<std::string> failures = wall::SaveLayoutFile(m_presets);
    if (!failures.empty()) {
        m_presets = before;
        for (const std::string &message : failures)
            ui::messageBox(m_presetDlg, QString::fromStdString(message));
        m_presetDlg->showOutcome(QStringLiteral("Preset %1 was not saved.").arg(number));
        return;
    }
    writePresetTexts();
    m_presetDlg->showOutcome(
        QStringLiteral("Saved into preset %1 and %2.").arg(number).arg(name(wall::kLayoutFileName)));
}

void CVideoWallPage::SaveAllPresets() {
    const QString path = ui::saveFileName(m_presetDlg, name(CPresetDlg::kSaveAllButton), kPresetFileFilter,
                                          QStringLiteral("ini"));
    if (path.isEmpty())
        return;
    if (!wall::SavePresetFile(m_presets, QFile::encodeName(path).toStdString())) {
        ui::messageBox(m_presetDlg, QStringLiteral("Failed to write %1 !").arg(path));
        return;
    }
    m_presetDlg->showOutcome(QStringLiteral("All presets saved to %1.").arg(QFileInfo(path).fileName()));
}

// A whole preset file replaces the table in memory; KorvexVW.ini changes only with the next "Save".
void CVideoWallPage::LoadPresets() {
    const QString path = ui::openFileName(m_presetDlg, name(CPresetDlg::kLoadButton), kPresetFileFilter);
    if (path.isEmpty())
        return;
    const QString fileName = QFileInfo(path).fileName();
    switch (wall::LoadPresetFile(m_presets, QFile::encodeName(path).toStdString())) {
    case wall::PresetFileResult::CannotOpen:
        ui::messageBox(m_presetDlg, QStringLiteral("File read failed"));
        return;
    case wall::PresetFileResult::Incomplete:
        ui::messageBox(
            m_presetDlg,
            QStringLiteral("%1 is not a complete preset file; the presets were not changed.").arg(fileName));
        return;
    case wall::PresetFileResult::Loaded:
        break;
    }
    RefreshPresetList();
    ShowPanelGrid(m_rows, m_columns);
    m_presetDlg->showOutcome(QStringLiteral("Presets loaded from %1.").arg(fileName));
}
