#include "ui/Exchange.h"

#include "ui/Controls.h"
#include "ui/IpAddressEdit.h"
#include "ui/MessageBox.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <cmath>
#include <limits>

namespace ui {

namespace {

const QString kEnterInteger = QStringLiteral("Please enter an integer.");
const QString kEnterPositive = QStringLiteral("Please enter a positive integer.");
const QString kEnterNumber = QStringLiteral("Please enter a number.");

bool parseLongLong(const QString &text, long long &value) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    int i = 0;
    bool negative = false;
    if (t[0] == QLatin1Char('+') || t[0] == QLatin1Char('-')) {
        negative = t[0] == QLatin1Char('-');
        i = 1;
    }
    if (i >= t.size())
        return false;
    long long v = 0;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        v = v * 10 + (c.unicode() - '0');
        if (v > (1LL << 40))
            return false;
    }
    value = negative ? -v : v;
    return true;
}

void setEditText(QWidget *w, const QString &text) {
    if (auto *edit = qobject_cast<QLineEdit *>(w)) {
        if (edit->text() != text)
            edit->setText(text);
    } else if (auto *label = qobject_cast<QLabel *>(w)) {
        label->setText(text);
    } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
        combo->setEditText(text);
    }
}

} // namespace

QString editText(QWidget *w) {
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->text();
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    if (auto *combo = qobject_cast<QComboBox *>(w))
        return combo->currentText();
    return {};
}

bool parseInt(const QString &text, int &value) {
    long long v = 0;
    if (!parseLongLong(text, v) || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(v);
    return true;
}

bool parseUnsigned(const QString &text, unsigned &value) {
    long long v = 0;
    if (!parseLongLong(text, v) || v < 0 || v > std::numeric_limits<unsigned>::max())
        return false;
    value = static_cast<unsigned>(v);
    return true;
}

bool parseDouble(const QString &text, double &value) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

QString integerRangeMessage(long long min, long long max) {
    return QStringLiteral("Please enter an integer between %1 and %2.").arg(min).arg(max);
}

Exchange::Exchange(QWidget *dialog, Direction direction) : m_dialog(dialog), m_direction(direction) {}

bool Exchange::bind(QWidget *control) {
    if (control && bindObserver())
        bindObserver()(m_dialog, control);
    return control != nullptr;
}

Exchange::BindObserver &Exchange::bindObserver() {
    static BindObserver observer;
    return observer;
}

void Exchange::fail(QWidget *control, const QString &message) {
    m_ok = false;
    messageBox(m_dialog, message);
    if (control) {
        control->setFocus();
        if (auto *edit = qobject_cast<QLineEdit *>(control))
            edit->selectAll();
    }
}

template <class T>
Exchange &Exchange::numberEdit(QLineEdit *edit, T &value, const QString &shown,
                               bool (*parse)(const QString &, T &), const QString &message) {
    if (!m_ok || !bind(edit))
        return *this;
    if (m_direction == Refresh) {
        if (edit->text() != shown)
            edit->setText(shown);
    } else if (!parse(edit->text(), value)) {
        fail(edit, message);
    }
    return *this;
}

template <class T> Exchange &Exchange::checkRange(QWidget *control, const T &value, T min, T max) {
    if (m_ok && m_direction == Take && (value < min || value > max))
        fail(control, integerRangeMessage(min, max));
    return *this;
}

Exchange &Exchange::intEdit(QLineEdit *edit, int &value) {
    return numberEdit(edit, value, QString::number(value), parseInt, kEnterInteger);
}

Exchange &Exchange::intEdit(QLineEdit *edit, int &value, int min, int max) {
    return intEdit(edit, value).checkRange(edit, value, min, max);
}

Exchange &Exchange::unsignedEdit(QLineEdit *edit, unsigned &value) {
    return numberEdit(edit, value, QString::number(value), parseUnsigned, kEnterPositive);
}

Exchange &Exchange::unsignedEdit(QLineEdit *edit, unsigned &value, unsigned min, unsigned max) {
    return unsignedEdit(edit, value).checkRange(edit, value, min, max);
}

Exchange &Exchange::doubleEdit(QLineEdit *edit, double &value) {
    return numberEdit(edit, value, QString::number(value, 'g', 15), parseDouble, kEnterNumber);
}

// A float shows with up to 6 significant digits, so 0.3 reads back as "0.3", not its binary tail.
Exchange &Exchange::floatEdit(QLineEdit *edit, float &value) {
    double v = value;
    numberEdit(edit, v, QString::number(static_cast<double>(value), 'g', 6), parseDouble, kEnterNumber);
    if (m_ok && m_direction == Take && edit) {
        if (std::fabs(v) > std::numeric_limits<float>::max())
            fail(edit, kEnterNumber);
        else
            value = static_cast<float>(v);
    }
    return *this;
}

Exchange &Exchange::text(QWidget *control, QString &value) {
    if (!m_ok || !bind(control))
        return *this;
    if (m_direction == Refresh)
        setEditText(control, value);
    else
        value = editText(control);
    return *this;
}

Exchange &Exchange::maxChars(QWidget *control, const QString &value, int limit) {
    if (m_ok && m_direction == Take && value.size() > limit)
        fail(control, QStringLiteral("Please enter no more than %1 characters.").arg(limit));
    return *this;
}

Exchange &Exchange::radioGroup(std::span<QAbstractButton *const> radios, int &index) {
    if (!m_ok)
        return *this;
    if (m_direction == Take) {
        index = -1;
        for (std::size_t i = 0; i < radios.size(); ++i) {
            if (bind(radios[i]) && radios[i]->isChecked()) {
                index = static_cast<int>(i);
                break;
            }
        }
        return *this;
    }
    // Auto-exclusive radios cannot be cleared one by one: lift exclusivity while setting the group.
    for (std::size_t i = 0; i < radios.size(); ++i) {
        QAbstractButton *b = radios[i];
        if (!bind(b))
            continue;
        const bool checked = static_cast<int>(i) == index;
        if (b->isChecked() == checked)
            continue;
        const bool exclusive = b->autoExclusive();
        b->setAutoExclusive(false);
        b->setChecked(checked);
        b->setAutoExclusive(exclusive);
    }
    return *this;
}

Exchange &Exchange::check(QAbstractButton *box, int &value) {
    if (!m_ok || !bind(box))
        return *this;
    if (m_direction == Refresh)
        box->setChecked(value != 0);
    else
        value = box->isChecked() ? 1 : 0;
    return *this;
}

Exchange &Exchange::comboIndex(QComboBox *combo, int &index) {
    if (!m_ok || !bind(combo))
        return *this;
    if (m_direction == Refresh) {
        const int wanted = index >= 0 && index < combo->count() ? index : -1;
        if (combo->currentIndex() != wanted)
            combo->setCurrentIndex(wanted);
    } else {
        index = combo->currentIndex();
    }
    return *this;
}

Exchange &Exchange::ipAddress(IpAddressEdit *ip, std::array<std::uint8_t, 4> &value) {
    if (!m_ok || !bind(ip))
        return *this;
    if (m_direction == Refresh)
        ip->setAddress(value);
    else
        value = ip->address();
    return *this;
}

} // namespace ui
