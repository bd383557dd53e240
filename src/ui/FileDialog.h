#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace ui {

// Common open-file dialog; returns the chosen path, or an empty string when cancelled.
QString openFileName(QWidget *parent, const QString &caption, const QString &filter);

// Common save-file dialog; asks before replacing an existing file and adds defaultSuffix to a name
// typed without one. Returns the chosen path, or an empty string when cancelled.
QString saveFileName(QWidget *parent, const QString &caption, const QString &filter,
                     const QString &defaultSuffix = QString());

// While one exists, openFileName and saveFileName call the given function instead of showing a
// dialog (tests); the caption tells which dialog was asked for.
class FileDialogOverride {
public:
    using Chooser = std::function<QString(const QString &caption, const QString &filter)>;
    explicit FileDialogOverride(Chooser chooser);
    ~FileDialogOverride();
    FileDialogOverride(const FileDialogOverride &) = delete;
    FileDialogOverride &operator=(const FileDialogOverride &) = delete;

private:
    friend QString openFileName(QWidget *, const QString &, const QString &);
    friend QString saveFileName(QWidget *, const QString &, const QString &, const QString &);
    Chooser m_chooser;
    FileDialogOverride *m_outer;
};

} // namespace ui
