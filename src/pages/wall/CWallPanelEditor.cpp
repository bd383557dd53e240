#include "pages/wall/CWallPanelEditor.h"
#include "protocol/TextPrefix.h"

#include "pages/wall/CPanelArrangeDlg.h"
#include "ui/Controls.h"
#include "ui/Exchange.h"
#include "ui/MessageBox.h"
#include "wall/ComputeCaptureRects.h"
#include "wall/PanelCommand.h"

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

// What "Update to panel" and "Full Screen" say about the values in the edits.
QString editRefusalText(wall::PanelRefusal refusal) {
    switch (refusal) {
    case wall::PanelRefusal::None:
        break;
    case wall::PanelRefusal::DeviceAddress: // the edit itself takes only 0..99
        return ui::integerRangeMessage(0, protocol::kMaxDeviceAddress);
    case wall::PanelRefusal::OutputPort:
        return QStringLiteral("Port number should be 1~9 !");
    case wall::PanelRefusal::Rotation:
        return QStringLiteral("Rotation angle should be 0, 90, 180 or 270 degree !");
    case wall::PanelRefusal::OutsideFrame:
        return QStringLiteral(" illegal coordinate data (x: 1~1920, y: 1~1080) !");
    case wall::PanelRefusal::Corners:
        return QStringLiteral("Coordinate of left top coner must be less than that of right bottom coner !");
    }
    return {};
}

} // namespace

QString CWallPanelEditor::panelButtonName(int row, int column) {
    return QStringLiteral("W%1%2").arg(row + 1).arg(column + 1);
}

CWallPanelEditor::CWallPanelEditor(Links links, QWidget *parent)
    : QWidget(parent), m_links(std::move(links)) {
    m_clickTimer.setSingleShot(true);
    m_clickTimer.setInterval(kDoubleClickWaitMs);
    connect(&m_clickTimer, &QTimer::timeout, this, [this] { onClickWaitOver(); });

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildPanelGrid(), 1);
    layout->addWidget(buildSettings());

    m_arrangeDlg = new CPanelArrangeDlg(this);
    updateData(false);
}

CWallPanelEditor::~CWallPanelEditor() = default;

QWidget *CWallPanelEditor::buildPanelGrid() {
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
            const int index = wall::panelIndex(row, column);
            b->installEventFilter(this);
            connect(b, &QPushButton::clicked, this, [this, index] { onPanelClicked(index); });
            m_panelButtons[static_cast<std::size_t>(index)] = b;
            grid->addWidget(b, row, column);
        }
    }
    grid->setRowStretch(wall::kGridSide, 1);
    grid->setColumnStretch(wall::kGridSide, 1);
    return box;
}

QWidget *CWallPanelEditor::buildSettings() {
    auto *panel = new QWidget(this);
    auto *column = new QVBoxLayout(panel);
    m_settings = column;
    column->setContentsMargins(0, 0, 0, 0);

    m_arrangeButton = ui::makeButton(name(kArrangeButton), panel);
    column->addWidget(m_arrangeButton);

    auto *gridRow = m_gridRow = new QHBoxLayout;
    gridRow->addWidget(m_rowsEdit = numberEdit(kRowsEdit, 2, panel));
    gridRow->addWidget(new QLabel(QStringLiteral("x"), panel));
    gridRow->addWidget(m_columnsEdit = numberEdit(kColumnsEdit, 2, panel));
    gridRow->addStretch(1);
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

    connect(m_arrangeButton, &QPushButton::clicked, this, [this] { arrangePanels(); });
    connect(update, &QPushButton::clicked, this, [this] { UpdatePanel(); });
    connect(fullScreen, &QPushButton::clicked, this, [this] { SendFullScreen(); });
    return panel;
}

void CWallPanelEditor::placePresetControls(QWidget *presetList, QWidget *saveButton) {
    m_settings->insertWidget(1, presetList);
    m_gridRow->addWidget(saveButton);
    QWidget::setTabOrder(m_arrangeButton, presetList);
    QWidget::setTabOrder(m_columnsEdit, saveButton);
}

void CWallPanelEditor::setGrid(unsigned rows, unsigned columns) {
    m_rows = rows;
    m_columns = columns;
}

bool CWallPanelEditor::updateData(bool take) {
    ui::Exchange dx(this, take ? ui::Exchange::Take : ui::Exchange::Refresh);
    exchangeGrid(dx);
    exchangePanel(dx);
    return dx.ok();
}

// Only the grid-size edits: the panel edits play no part in a preset save.
bool CWallPanelEditor::takeGrid() {
    ui::Exchange dx(this, ui::Exchange::Take);
    exchangeGrid(dx);
    return dx.ok();
}

void CWallPanelEditor::exchangeGrid(ui::Exchange &dx) {
    dx.unsignedEdit(m_rowsEdit, m_rows, 1u, 6u).unsignedEdit(m_columnsEdit, m_columns, 1u, 6u);
}

void CWallPanelEditor::exchangePanel(ui::Exchange &dx) {
    dx.unsignedEdit(m_panelEdits[0], m_deviceAddress, 0u, 99u)
        .intEdit(m_panelEdits[1], m_outputPort)
        .intEdit(m_panelEdits[2], m_rotation)
        .unsignedEdit(m_panelEdits[3], m_tlX)
        .unsignedEdit(m_panelEdits[4], m_tlY)
        .unsignedEdit(m_panelEdits[5], m_rbX)
        .unsignedEdit(m_panelEdits[6], m_rbY);
}

void CWallPanelEditor::ShowPanelGrid(unsigned rows, unsigned columns) {
    for (int row = 0; row < wall::kGridSide; ++row)
        for (int column = 0; column < wall::kGridSide; ++column)
            m_panelButtons[static_cast<std::size_t>(wall::panelIndex(row, column))]->setVisible(
                static_cast<unsigned>(row) < rows && static_cast<unsigned>(column) < columns);
}

// ---- clicks ----

// A click waits for a possible second one before showing its panel; a click on another panel in
// the meantime replaces the pending one, so the edits always show the current panel.
void CWallPanelEditor::onPanelClicked(int panel) {
    m_currentPanel = panel;
    m_pendingPanel = panel;
    m_clickTimer.start();
}

void CWallPanelEditor::onClickWaitOver() {
    const int panel = m_pendingPanel;
    m_pendingPanel = -1;
    if (panel >= 0)
        LoadPanelToEdits(panel);
}

// The double click arrives as the second press: it cancels the pending single click and sends the
// panel once. Taking the event keeps the button from being pressed again, so no second click
// follows on the release.
bool CWallPanelEditor::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        const auto button = std::find(m_panelButtons.begin(), m_panelButtons.end(), watched);
        if (button != m_panelButtons.end()) {
            m_clickTimer.stop();
            m_pendingPanel = -1;
            m_currentPanel = static_cast<int>(button - m_panelButtons.begin());
            SendPanel(m_currentPanel);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- panels ----

void CWallPanelEditor::LoadPanelToEdits(int panel) {
    const wall::WallPreset *preset = m_links.selectedPreset();
    if (!preset || panel < 0 || panel >= wall::kPanelCount)
        return;
    const wall::WallPanel &p = preset->panels[static_cast<std::size_t>(panel)];
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

void CWallPanelEditor::SendPanel(int panel) {
    const wall::WallPreset *preset = m_links.selectedPreset();
    if (!preset || panel < 0 || panel >= wall::kPanelCount)
        return;
    QString refusal;
    if (m_links.portOn()) {
        const wall::WallPanel &p = preset->panels[static_cast<std::size_t>(panel)];
        const wall::PanelCommand command = wall::buildPanelCommand(p);
        if (command.ok())
            m_links.send(command.line); // carries the panel's own address prefix
        else
            refusal = QString::fromStdString(wall::storedPanelRefusalText(command.refusal, p));
    }
    LoadPanelToEdits(panel);
    if (!refusal.isEmpty()) {
        const QString button = panelButtonName(panel / wall::kGridSide, panel % wall::kGridSide);
        ui::messageBox(this, QStringLiteral("Panel %1 was not sent: %2").arg(button, refusal));
    }
}

void CWallPanelEditor::UpdatePanel() {
    if (!updateData(true))
        return;
    wall::WallPreset *preset = m_links.selectedPreset();
    if (!preset)
        return;
    const wall::PanelRefusal refusal = wall::checkPanel(
        wall::PanelValues{m_deviceAddress, m_outputPort, m_rotation, m_tlX, m_tlY, m_rbX, m_rbY});
    if (refusal != wall::PanelRefusal::None) {
        ui::messageBox(this, editRefusalText(refusal));
        return;
    }
    // The check above keeps every value within its field.
    wall::WallPanel &p = preset->panels[static_cast<std::size_t>(m_currentPanel)];
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
void CWallPanelEditor::SendFullScreen() {
    if (!updateData(true))
        return;
    const wall::PanelCommand command =
        wall::buildFullScreenCommand(m_deviceAddress, m_outputPort, m_rotation);
    if (!command.ok()) {
        ui::messageBox(this, editRefusalText(command.refusal));
        return;
    }
    m_links.send(command.line);
}

void CWallPanelEditor::arrangePanels() {
    if (!updateData(true))
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
    wall::WallPreset *preset = m_links.selectedPreset();
    if (!preset)
        return;
    // The new rectangles show when a panel is next clicked; nothing is sent.
    const wall::CaptureResult result = wall::ComputeCaptureRects(m_arrangement, m_rows, m_columns, *preset);
    if (result != wall::CaptureResult::Computed)
        ui::messageBox(this, QString::fromLatin1(wall::captureResultText(result)));
}
