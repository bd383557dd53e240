#include "app/WorkFolder.h"

#include <QDir>
#include <QFileInfo>

QString UserWorkFolder() {
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    // A relative XDG_DATA_HOME is ignored, as desktop programs do.
    const QString base =
        !xdg.isEmpty() && QDir::isAbsolutePath(xdg) ? xdg : QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/korvex"));
}

bool EnterWorkFolder(const QString &folder, QString *error) {
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) {
        *error = QStringLiteral("%1 is not a folder").arg(folder);
        return false;
    }
    if (!info.exists() && !QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create the folder %1").arg(folder);
        return false;
    }
    if (!QDir::setCurrent(folder)) {
        *error = QStringLiteral("cannot enter the folder %1").arg(folder);
        return false;
    }
    return true;
}
