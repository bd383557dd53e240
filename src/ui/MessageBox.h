#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace ui {

// The one place the console shows a message: modal, caption "Korvex", an OK button.
void messageBox(QWidget *parent, const QString &text);

// While one exists, messageBox records its texts instead of showing a box (tests). Captures nest:
// the innermost one records.
class MessageCapture {
public:
    MessageCapture();
    ~MessageCapture();
    MessageCapture(const MessageCapture &) = delete;
    MessageCapture &operator=(const MessageCapture &) = delete;

    const QStringList &messages() const { return m_messages; }
    void clear() { m_messages.clear(); }

private:
    friend void messageBox(QWidget *, const QString &);
    QStringList m_messages;
    MessageCapture *m_outer;
};

} // namespace ui
