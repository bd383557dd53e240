#pragma once

#include <QValidator>

namespace ui {

// Accepts only text that Latin-1 can hold, one byte per character: the console files store their
// descriptions that way, so a character outside it cannot be typed or pasted. With a limit, typing
// stops at that many characters, while a longer text set by the program is still shown whole (where
// a QLineEdit length limit would silently cut it).
class Latin1Validator : public QValidator {
    Q_OBJECT
public:
    explicit Latin1Validator(QObject *parent = nullptr, int maxChars = -1)
        : QValidator(parent), m_maxChars(maxChars) {}
    State validate(QString &input, int &pos) const override;

private:
    int m_maxChars;
};

} // namespace ui
