#include "ui/MessageBox.h"

#include <QMessageBox>

namespace ui {

namespace {
MessageCapture *g_capture = nullptr;
}

MessageCapture::MessageCapture() : m_outer(g_capture) {
    g_capture = this;
}

MessageCapture::~MessageCapture() {
    g_capture = m_outer;
}

void messageBox(QWidget *parent, const QString &text) {
    if (g_capture) {
        g_capture->m_messages.append(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Korvex"), text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace ui
