#pragma once

#include <QString>

// The folder `--user-dir` runs in. Linux: $XDG_DATA_HOME/korvex, or ~/.local/share/korvex when
// XDG_DATA_HOME is unset or not absolute. Windows: %APPDATA%\Korvex, the user's application-data
// folder. Empty when the system names no such folder.
QString userWorkFolder();

// Creates the folder when missing and makes it the current folder; false with a readable reason.
bool enterWorkFolder(const QString &folder, QString *error);
