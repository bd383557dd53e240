#include "res/Resources.h"

#include <QHash>

namespace res {

namespace {

// Each icon is made once, from the PNGs the build rendered for it.
QIcon makeIcon(const char *name, std::initializer_list<const char *> sizes) {
    QIcon icon;
    for (const char *size : sizes)
        icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(QLatin1String(name), QLatin1String(size)));
    return icon;
}

QIcon makeIcon(int id) {
    const auto square = [](const char *name) {
        return makeIcon(name, {"16x16", "24x24", "32x32", "48x48", "64x64", "128x128", "256x256"});
    };
    switch (id) {
    case IDR_MAINFRAME:
        return square("app");
    case IDI_PORT_OFF:
        return square("port-off");
    case IDI_PORT_ON:
        return square("port-on");
    case IDI_MV_MODE1:
        return square("mv-2x2");
    case IDI_MV_MODE0:
        return square("mv-3x3");
    case IDB_WALL_PANELS:
        return makeIcon("wall-panels", {"352x220", "704x440", "1056x660"});
    case IDB_WALL_PORTRAIT:
        return makeIcon("wall-portrait", {"220x352", "440x704", "660x1056"});
    default:
        return {};
    }
}

} // namespace

QIcon icon(int id) {
    static QHash<int, QIcon> made;
    const auto found = made.constFind(id);
    if (found != made.constEnd())
        return *found;
    return *made.insert(id, makeIcon(id));
}

QString string(int id) {
    switch (id) {
    case IDS_ABOUTBOX:
        return QStringLiteral("&About DravikCONSOLE...");
    default:
        return {};
    }
}

} // namespace res
