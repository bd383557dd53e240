#pragma once

#include <QString>

// $XDG_DATA_HOME/korvex, or ~/.local/share/korvex when XDG_DATA_HOME is unset or not absolute.
QString UserWorkFolder();

// Creates the folder when missing and makes it the current folder; false with a readable reason.
bool EnterWorkFolder(const QString &folder, QString *error);
