#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace ui {

// Common open-file dialog; returns the chosen path, or an empty string when cancelled.
QString openFileName(QWidget *parent, const QString &caption, const QString &filter);

// While one exists, openFileName calls the given function instead of showing a dialog (tests).
class FileDialogOverride {
public:
    using Chooser = std::function<QString(const QString &caption, const QString &filter)>;
    explicit FileDialogOverride(Chooser chooser);
    ~FileDialogOverride();
    FileDialogOverride(const FileDialogOverride &) = delete;
    FileDialogOverride &operator=(const FileDialogOverride &) = delete;

private:
    friend QString openFileName(QWidget *, const QString &, const QString &);
    Chooser m_chooser;
    FileDialogOverride *m_outer;
};

} // namespace ui
