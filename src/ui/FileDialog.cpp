#include "ui/FileDialog.h"

#include <QFileDialog>

namespace ui {

namespace {
FileDialogOverride *g_override = nullptr;
}

FileDialogOverride::FileDialogOverride(Chooser chooser) : m_chooser(std::move(chooser)), m_outer(g_override) {
    g_override = this;
}

FileDialogOverride::~FileDialogOverride() {
    g_override = m_outer;
}

QString openFileName(QWidget *parent, const QString &caption, const QString &filter) {
    if (g_override)
        return g_override->m_chooser(caption, filter);
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

} // namespace ui
