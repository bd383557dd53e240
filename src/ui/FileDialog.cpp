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

QString saveFileName(QWidget *parent, const QString &caption, const QString &filter,
                     const QString &defaultSuffix) {
    if (g_override)
        return g_override->m_chooser(caption, filter);
    QFileDialog dialog(parent, caption, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace ui
