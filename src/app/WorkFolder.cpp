#include "app/WorkFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString userWorkFolder() {
#ifdef Q_OS_WIN
    // QStandardPaths puts the organisation and application names after the roaming application-data
    // folder; asked with the name "Korvex" alone, whatever names are in force now, it gives
    // %APPDATA%\Korvex.
    const QString organization = QCoreApplication::organizationName();
    const QString application = QCoreApplication::applicationName();
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setApplicationName(QStringLiteral("Korvex"));
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QCoreApplication::setOrganizationName(organization);
    QCoreApplication::setApplicationName(application);
    return folder.isEmpty() ? QString() : QDir::cleanPath(folder);
#else
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    // A relative XDG_DATA_HOME is ignored, as desktop programs do.
    const QString base = !xdg.isEmpty() && QDir::isAbsolutePath(xdg)
                             ? xdg
                             : QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/korvex"));
#endif
}

bool enterWorkFolder(const QString &folder, QString *error) {
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
