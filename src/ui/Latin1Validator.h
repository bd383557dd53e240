#pragma once

#include <QValidator>

namespace ui {

// Accepts only text that Latin-1 can hold, one byte per character: the console files store their
// descriptions that way, so a character outside it cannot be typed or pasted.
class Latin1Validator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
};

} // namespace ui
