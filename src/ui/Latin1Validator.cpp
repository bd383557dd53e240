#include "ui/Latin1Validator.h"

namespace ui {

QValidator::State Latin1Validator::validate(QString &input, int &) const {
    if (m_maxChars >= 0 && input.size() > m_maxChars)
        return Invalid;
    for (const QChar c : input)
        if (c.unicode() > 0xFF)
            return Invalid;
    return Acceptable;
}

} // namespace ui
