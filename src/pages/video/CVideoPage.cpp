#include "pages/video/CVideoPage.h"

#include "protocol/Commands.h"
#include "session/DeviceRules.h"
#include "ui/Controls.h"
#include "ui/Exchange.h"

#include <QColor>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <vector>

namespace {

// "Out1" starts one below the others' pattern: its radios are 1149..1158 because 1159 is "Update".
constexpr int kFirstRowBase = 1149;
constexpr int kRowBase = 1150;

QString rowCaption(int row) {
    return row == CVideoPage::kAllOutputsRow ? QStringLiteral("All Output Port")
                                             : QStringLiteral("Out%1").arg(row + 1);
}

QString columnCaption(int column) {
    return column == CVideoPage::kMvColumn ? QStringLiteral("MV") : QStringLiteral("in%1").arg(column + 1);
}

// A small framed square of one colour, sized to the text so it scales with the font.
QLabel *colourSwatch(const QColor &colour, const QString &name, QWidget *parent) {
    const int side = parent->fontMetrics().height();
    QPixmap pixmap(side, side);
    pixmap.fill(colour);
    QPainter painter(&pixmap);
    painter.setPen(colour.darker(160));
    painter.drawRect(0, 0, side - 1, side - 1);
    painter.end();

    auto *swatch = new QLabel(parent);
    swatch->setObjectName(name);
    swatch->setPixmap(pixmap);
    return swatch;
}

// Plain edit for a small number, wide enough for a few digits whatever the font.
QLineEdit *numberEdit(int id, QWidget *parent) {
    auto *edit = ui::withId(new QLineEdit(parent), id);
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000000")));
    return edit;
}

// Tighter margins than the style's default, so the eleven boxes fit the tab without crowding it.
void compact(QGridLayout *grid) {
    const int gap = grid->parentWidget()->fontMetrics().height() / 4;
    grid->setContentsMargins(2 * gap, gap, 2 * gap, gap);
    grid->setVerticalSpacing(gap);
}

} // namespace

int CVideoPage::radioId(int row, int column) {
    if (row < 0 || row >= kRowCount || column < 0 || column >= kColumnCount)
        return 0;
    return (row == 0 ? kFirstRowBase : kRowBase + 10 * row) + column;
}

CVideoPage::CVideoPage(session::IDeviceConsole *console, QWidget *parent)
    : CConsolePage(kTemplate, console, parent) {
    constructed();
}

void CVideoPage::buildControls() {
    auto *layout = new QGridLayout(this);
    for (int row = 0; row < kRowCount; ++row)
        layout->addWidget(buildRoutingRow(row), row, 0);
    layout->addWidget(buildBorderLineGroup(), kRowCount, 0);
    layout->setRowStretch(kRowCount + 1, 1);
    layout->setVerticalSpacing(fontMetrics().height() / 4);

    // Every radio as wide as the widest one, so the ten columns line up from row to row. Each row has
    // the same ten captions, so one row tells the width.
    int width = 0;
    for (const QAbstractButton *radio : m_radios[0])
        width = std::max(width, radio->sizeHint().width());
    for (const auto &row : m_radios)
        for (QAbstractButton *radio : row)
            radio->setMinimumWidth(width);
}

QWidget *CVideoPage::buildRoutingRow(int row) {
    auto *box = new QGroupBox(rowCaption(row), this);
    box->setObjectName(rowCaption(row));
    auto *grid = new QGridLayout(box);
    compact(grid);
    for (int column = 0; column < kColumnCount; ++column) {
        // Each row is its own group box, so its radios are exclusive among themselves only.
        auto *radio = ui::withId(new QRadioButton(columnCaption(column), box), radioId(row, column));
        m_radios[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = radio;
        grid->addWidget(radio, 0, column);
        grid->setColumnStretch(column, 1);
        connect(radio, &QRadioButton::clicked, this, [this, row, column] { onRadioClicked(row, column); });
    }
    return box;
}

QWidget *CVideoPage::buildBorderLineGroup() {
    auto *box = new QGroupBox(QStringLiteral("Border line setting"), this);
    box->setObjectName(QStringLiteral("Border line setting"));
    auto *grid = new QGridLayout(box);
    compact(grid);

    auto *widthLabel = new QLabel(QStringLiteral("Width:"), box);
    widthLabel->setObjectName(QStringLiteral("Width:"));
    m_widthEdit = numberEdit(IDC_WIDTH, box);
    widthLabel->setBuddy(m_widthEdit);

    int column = 0;
    grid->addWidget(widthLabel, 0, column++);
    grid->addWidget(m_widthEdit, 0, column++);

    struct Component {
        QColor colour;
        const char *name;
        int id;
        QLineEdit **edit;
    };
    const Component components[] = {
        {Qt::red, "Red swatch", IDC_RED, &m_redEdit},
        {Qt::green, "Green swatch", IDC_GREEN, &m_greenEdit},
        {Qt::blue, "Blue swatch", IDC_BLUE, &m_blueEdit},
    };
    for (const Component &c : components) {
        grid->addWidget(colourSwatch(c.colour, QString::fromLatin1(c.name), box), 0, column++);
        *c.edit = numberEdit(c.id, box);
        grid->addWidget(*c.edit, 0, column++);
    }
    grid->setColumnStretch(column++, 1);

    auto *update = ui::withId(new QPushButton(QStringLiteral("Update"), box), IDC_UPDATE);
    update->setAutoDefault(false);
    grid->addWidget(update, 0, column);
    connect(update, &QPushButton::clicked, this, [this] { onUpdate(); });
    return box;
}

bool CVideoPage::updateData(bool take) {
    if (!built())
        return true;
    ui::Exchange dx(this, take ? ui::Exchange::Take : ui::Exchange::Refresh);
    for (std::size_t row = 0; row < kOutputCount; ++row)
        dx.radioGroup(m_radios[row], m_outputSelection[row]);
    dx.intEdit(m_blueEdit, m_blue, 0, 255)
        .intEdit(m_greenEdit, m_green, 0, 255)
        .intEdit(m_redEdit, m_red, 0, 255)
        .intEdit(m_widthEdit, m_borderWidth, 0, 15)
        .radioGroup(m_radios[kAllOutputsRow], m_allOutputsSelection);
    return dx.ok();
}

void CVideoPage::setOutputSelection(int output, int selection) {
    if (output < 1 || output > kOutputCount || selection < -1 || selection >= kColumnCount)
        return;
    m_outputSelection[static_cast<std::size_t>(output - 1)] = selection;
}

int CVideoPage::outputSelection(int output) const {
    if (output < 1 || output > kOutputCount)
        return -1;
    return m_outputSelection[static_cast<std::size_t>(output - 1)];
}

void CVideoPage::setBorderColour(int red, int green, int blue) {
    m_red = red;
    m_green = green;
    m_blue = blue;
}

void CVideoPage::setBorderWidth(int width) {
    m_borderWidth = width;
}

// The radio shows the click at once; the member follows only when the device's reply arrives.
void CVideoPage::onRadioClicked(int row, int column) {
    const int output = row == kAllOutputsRow ? 0 : row + 1;
    send(protocol::buildSetRouting(output, column + 1)); // the "MV" column is input 10
}

void CVideoPage::onUpdate() {
    if (!updateData(true))
        return;
    // Validated above, so every value fits its byte.
    send(protocol::buildSetBorderLine(static_cast<std::uint8_t>(m_borderWidth),
                                      static_cast<std::uint8_t>(m_red), static_cast<std::uint8_t>(m_green),
                                      static_cast<std::uint8_t>(m_blue)));
}

void CVideoPage::applyReply(const protocol::Reply &reply) {
    if (const auto *r = std::get_if<protocol::RoutingReply>(&reply)) {
        // A line without a valid output still refreshes the page; an input the device model calls
        // unknown leaves the row without a checked radio.
        if (r->output && r->input)
            setOutputSelection(*r->output, session::routingSelection(*r->input).value_or(-1));
        updateData(false);
    } else if (const auto *r = std::get_if<protocol::BorderColourReply>(&reply)) {
        // The edits show the numbers as they came. The device model calls a component outside 0..255
        // (and a width outside 0..15) unknown; the operator sees the number here, and "Update" refuses
        // it with the range message.
        setBorderColour(r->red.value_or(m_red), r->green.value_or(m_green), r->blue.value_or(m_blue));
        updateData(false);
    } else if (const auto *r = std::get_if<protocol::BorderWidthReply>(&reply)) {
        if (r->width)
            setBorderWidth(*r->width);
        updateData(false);
    }
}
