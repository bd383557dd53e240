#include "pages/wall/CPanelArrangeDlg.h"

#include "res/Resources.h"
#include "ui/Controls.h"
#include "ui/Exchange.h"
#include "ui/MessageBox.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kVerticalWarning = QStringLiteral("Panel in row should be more than panel in column.");

// A picture label drawn from an SVG resource at a size that follows the font.
QLabel *picture(int resourceId, const QString &name, int width, int height, QWidget *parent) {
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setProperty("resourceId", resourceId);
    label->setPixmap(res::icon(resourceId).pixmap(QSize(width, height)));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

CPanelArrangeDlg::CPanelArrangeDlg(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CPanelArrangeDlg"));
    setWindowTitle(QStringLiteral("Video Wall Panels arrangement"));
    ui::markScope(this);

    const int em = fontMetrics().height();
    auto *fields = new QGridLayout;
    struct Field {
        const char *label;
        const char *unit;
    };
    const Field rows[] = {{kWidthEdit, "Inch"},
                          {kHeightEdit, "Inch"},
                          {kOverscanEdit, "%"},
                          {kVGapEdit, "Inch"},
                          {kHGapEdit, "Inch"}};
    int row = 0;
    for (const Field &f : rows) {
        const QString label = QString::fromLatin1(f.label);
        auto *caption = new QLabel(label, this);
        auto *edit = m_edits[static_cast<std::size_t>(row)] = new QLineEdit(this);
        edit->setObjectName(label);
        edit->setMaximumWidth(7 * em);
        caption->setBuddy(edit);
        fields->addWidget(caption, row, 0);
        fields->addWidget(edit, row, 1);
        fields->addWidget(new QLabel(QString::fromLatin1(f.unit), this), row, 2);
        ++row;
    }
    fields->setRowStretch(row, 1);

    auto *top = new QHBoxLayout;
    top->addLayout(fields);
    top->addWidget(
        picture(res::IDB_WALL_PANELS, QStringLiteral("Panels picture"), 22 * em, 22 * em * 220 / 352, this),
        1);

    auto *vertical = m_verticalBox = new QCheckBox(QString::fromLatin1(kVerticalCheck), this);
    vertical->setObjectName(QString::fromLatin1(kVerticalCheck));
    auto *portrait = new QHBoxLayout;
    portrait->addWidget(vertical);
    portrait->addWidget(picture(res::IDB_WALL_PORTRAIT, QStringLiteral("Vertical picture"), 16 * em,
                                16 * em * 120 / 300, this),
                        1);

    auto *save = new QPushButton(QString::fromLatin1(kSaveExitButton), this);
    save->setObjectName(QString::fromLatin1(kSaveExitButton));
    save->setDefault(true);
    auto *cancel = new QPushButton(QString::fromLatin1(kCancelButton), this);
    cancel->setObjectName(QString::fromLatin1(kCancelButton));
    cancel->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(portrait);
    layout->addLayout(buttons);

    connect(vertical, &QCheckBox::clicked, this, [this] { onVertical(); });
    connect(save, &QPushButton::clicked, this, [this] { onSaveAndExit(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    updateData(false);
}

void CPanelArrangeDlg::setGrid(unsigned rows, unsigned columns) {
    m_rows = rows;
    m_columns = columns;
}

wall::PanelArrangement CPanelArrangeDlg::arrangement() const {
    return {m_panelWidth, m_panelHeight, m_overscan, m_vGap, m_hGap, m_vertical != 0};
}

int CPanelArrangeDlg::exec() {
    updateData(false);
    return QDialog::exec();
}

bool CPanelArrangeDlg::updateData(bool take) {
    ui::Exchange dx(this, take ? ui::Exchange::Take : ui::Exchange::Refresh);
    dx.floatEdit(m_edits[0], m_panelWidth)
        .floatEdit(m_edits[1], m_panelHeight)
        .floatEdit(m_edits[2], m_overscan)
        .floatEdit(m_edits[3], m_vGap)
        .floatEdit(m_edits[4], m_hGap)
        .check(m_verticalBox, m_vertical);
    return dx.ok();
}

// Only a warning here: the box stays as the operator left it, and the page refuses to compute.
void CPanelArrangeDlg::onVertical() {
    if (!updateData(true))
        return;
    if (m_vertical && m_rows <= m_columns)
        ui::messageBox(this, kVerticalWarning);
}

void CPanelArrangeDlg::onSaveAndExit() {
    if (updateData(true))
        accept();
}
