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

QString editText(QWidget *w) {
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->text();
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    if (auto *combo = qobject_cast<QComboBox *>(w))
        return combo->currentText();
    return {};
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

QWidget *Exchange::find(const QString &name) {
    // Only the dialog's own controls: identifiers repeat in other pages of the same window.
    QWidget *w = findInScope(m_dialog, name);
    if (w && bindObserver())
        bindObserver()(m_dialog, w);
    return w;
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
Exchange &Exchange::numberEdit(const QString &name, T &value, const QString &shown,
                               bool (*parse)(const QString &, T &), const QString &message) {
    if (!m_ok)
        return *this;
    QWidget *w = find(name);
    if (!w)
        return *this;
    if (m_direction == Refresh)
        setEditText(w, shown);
    else if (!parse(editText(w), value))
        fail(w, message);
    return *this;
}

template <class T> Exchange &Exchange::checkRange(const QString &name, const T &value, T min, T max) {
    if (m_ok && m_direction == Take && (value < min || value > max))
        fail(find(name), integerRangeMessage(min, max));
    return *this;
}

Exchange &Exchange::intEdit(int id, int &value) {
    return intEdit(idName(id), value);
}

Exchange &Exchange::intEdit(int id, int &value, int min, int max) {
    return intEdit(idName(id), value, min, max);
}

Exchange &Exchange::unsignedEdit(int id, unsigned &value) {
    return unsignedEdit(idName(id), value);
}

Exchange &Exchange::unsignedEdit(int id, unsigned &value, unsigned min, unsigned max) {
    return unsignedEdit(idName(id), value, min, max);
}

Exchange &Exchange::intEdit(const QString &name, int &value) {
    return numberEdit(name, value, QString::number(value), parseInt, kEnterInteger);
}

Exchange &Exchange::intEdit(const QString &name, int &value, int min, int max) {
    return intEdit(name, value).checkRange(name, value, min, max);
}

Exchange &Exchange::unsignedEdit(const QString &name, unsigned &value) {
    return numberEdit(name, value, QString::number(value), parseUnsigned, kEnterPositive);
}

Exchange &Exchange::unsignedEdit(const QString &name, unsigned &value, unsigned min, unsigned max) {
    return unsignedEdit(name, value).checkRange(name, value, min, max);
}

Exchange &Exchange::doubleEdit(int id, double &value) {
    return numberEdit(idName(id), value, QString::number(value, 'g', 15), parseDouble, kEnterNumber);
}

Exchange &Exchange::floatEdit(int id, float &value) {
    return floatEdit(idName(id), value);
}

// A float shows with up to 6 significant digits, so 0.3 reads back as "0.3", not its binary tail.
Exchange &Exchange::floatEdit(const QString &name, float &value) {
    double v = value;
    numberEdit(name, v, QString::number(static_cast<double>(value), 'g', 6), parseDouble, kEnterNumber);
    if (m_ok && m_direction == Take) {
        if (std::fabs(v) > std::numeric_limits<float>::max())
            fail(find(name), kEnterNumber);
        else
            value = static_cast<float>(v);
    }
    return *this;
}

Exchange &Exchange::text(int id, QString &value) {
    return text(idName(id), value);
}

Exchange &Exchange::text(const QString &name, QString &value) {
    if (!m_ok)
        return *this;
    QWidget *w = find(name);
    if (!w)
        return *this;
    if (m_direction == Refresh)
        setEditText(w, value);
    else
        value = editText(w);
    return *this;
}

Exchange &Exchange::maxChars(int id, const QString &value, int limit) {
    return maxChars(idName(id), value, limit);
}

Exchange &Exchange::maxChars(const QString &name, const QString &value, int limit) {
    if (m_ok && m_direction == Take && value.size() > limit)
        fail(find(name), QStringLiteral("Please enter no more than %1 characters.").arg(limit));
    return *this;
}

Exchange &Exchange::radioGroup(std::initializer_list<int> ids, int &index) {
    return radioGroup(std::vector<int>(ids), index);
}

Exchange &Exchange::radioGroup(const std::vector<int> &ids, int &index) {
    if (!m_ok)
        return *this;
    if (m_direction == Take) {
        index = -1;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            auto *b = qobject_cast<QAbstractButton *>(find(idName(ids[i])));
            if (b && b->isChecked()) {
                index = static_cast<int>(i);
                break;
            }
        }
        return *this;
    }
    // Auto-exclusive radios cannot be cleared one by one: lift exclusivity while setting the group.
    for (std::size_t i = 0; i < ids.size(); ++i) {
        auto *b = qobject_cast<QAbstractButton *>(find(idName(ids[i])));
        if (!b)
            continue;
        const bool exclusive = b->autoExclusive();
        b->setAutoExclusive(false);
        b->setChecked(static_cast<int>(i) == index);
        b->setAutoExclusive(exclusive);
    }
    return *this;
}

Exchange &Exchange::check(int id, int &value) {
    return check(idName(id), value);
}

Exchange &Exchange::check(const QString &name, int &value) {
    if (!m_ok)
        return *this;
    auto *b = qobject_cast<QAbstractButton *>(find(name));
    if (!b)
        return *this;
    if (m_direction == Refresh)
        b->setChecked(value != 0);
    else
        value = b->isChecked() ? 1 : 0;
    return *this;
}

Exchange &Exchange::comboIndex(int id, int &index) {
    return comboIndex(idName(id), index);
}

Exchange &Exchange::comboIndex(const QString &name, int &index) {
    if (!m_ok)
        return *this;
    auto *c = qobject_cast<QComboBox *>(find(name));
    if (!c)
        return *this;
    if (m_direction == Refresh)
        c->setCurrentIndex(index >= 0 && index < c->count() ? index : -1);
    else
        index = c->currentIndex();
    return *this;
}

Exchange &Exchange::ipAddress(int id, std::array<std::uint8_t, 4> &value) {
    if (!m_ok)
        return *this;
    auto *ip = qobject_cast<IpAddressEdit *>(find(idName(id)));
    if (!ip)
        return *this;
    if (m_direction == Refresh)
        ip->setAddress(value);
    else
        value = ip->address();
    return *this;
}

} // namespace ui
