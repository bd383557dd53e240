#include "res/Resources.h"

namespace res {

QIcon icon(int id) {
    switch (id) {
    case IDR_MAINFRAME:
        return QIcon(QStringLiteral(":/icons/app.svg"));
    case IDI_PORT_OFF:
        return QIcon(QStringLiteral(":/icons/port-off.svg"));
    case IDI_PORT_ON:
        return QIcon(QStringLiteral(":/icons/port-on.svg"));
    case IDI_MV_MODE1:
        return QIcon(QStringLiteral(":/icons/mv-2x2.svg"));
    case IDI_MV_MODE0:
        return QIcon(QStringLiteral(":/icons/mv-3x3.svg"));
    case IDB_WALL_PANELS:
        return QIcon(QStringLiteral(":/icons/wall-panels.svg"));
    case IDB_WALL_PORTRAIT:
        return QIcon(QStringLiteral(":/icons/wall-portrait.svg"));
    default:
        return {};
    }
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
