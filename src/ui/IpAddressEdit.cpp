#include "ui/IpAddressEdit.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>

namespace ui {

IpAddressEdit::IpAddressEdit(QWidget *parent) : QWidget(parent) {
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    for (int i = 0; i < 4; ++i) {
        auto *f = new QLineEdit(this);
        f->setObjectName(QStringLiteral("field%1").arg(i));
        f->setValidator(new QIntValidator(0, 255, f));
        f->setMaxLength(3);
        f->setAlignment(Qt::AlignCenter);
        // Three digits wide, like the fields of a dotted address, whatever the space around it.
        f->setFixedWidth(f->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 6);
        f->installEventFilter(this);
        m_fields[static_cast<std::size_t>(i)] = f;
        layout->addWidget(f);
        if (i < 3)
            layout->addWidget(new QLabel(QStringLiteral("."), this));
        connect(f, &QLineEdit::textEdited, this, [this, i, f](const QString &t) {
            // The validator lets "300" through as an intermediate value: a field holds at most 255.
            if (t.toInt() > 255)
                f->setText(QStringLiteral("255"));
            if (t.size() == 3 && i < 3)
                m_fields[static_cast<std::size_t>(i + 1)]->setFocus();
            emit addressChanged();
        });
    }
    setFocusProxy(m_fields[0]);
}

std::array<std::uint8_t, 4> IpAddressEdit::address() const {
    std::array<std::uint8_t, 4> a{};
    for (std::size_t i = 0; i < 4; ++i)
        a[i] = static_cast<std::uint8_t>(std::min(255, m_fields[i]->text().toInt()));
    return a;
}

void IpAddressEdit::setAddress(const std::array<std::uint8_t, 4> &value) {
    for (std::size_t i = 0; i < 4; ++i)
        m_fields[i]->setText(QString::number(value[i]));
}

void IpAddressEdit::clear() {
    for (auto *f : m_fields)
        f->clear();
}

bool IpAddressEdit::isBlank() const {
    for (auto *f : m_fields)
        if (!f->text().isEmpty())
            return false;
    return true;
}

QString IpAddressEdit::text() const {
    if (isBlank())
        return {};
    const auto a = address();
    return QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
}

bool IpAddressEdit::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        for (std::size_t i = 0; i < 3; ++i) {
            if (watched == m_fields[i] && key->text() == QStringLiteral(".")) {
                m_fields[i + 1]->setFocus();
                m_fields[i + 1]->selectAll();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace ui
