#pragma once

#include <QIcon>
#include <QString>

// The console's resources by number: icons and the string table.
namespace res {

enum IconId {
    IDR_MAINFRAME = 128, // application icon
    IDI_PORT_OFF = 133,
    IDI_PORT_ON = 134,
    IDI_MV_MODE1 = 180, // 2x2 multiview
    IDI_MV_MODE0 = 181, // 3x3 multiview

    // Pictures of the panels arrangement dialog: a wall with its gaps and overscan marked, and a
    // portrait arrangement.
    IDB_WALL_PANELS = 140,
    IDB_WALL_PORTRAIT = 141,
};

enum StringId {
    IDS_ABOUTBOX = 101,
};

QIcon icon(int id);
QString string(int id); // empty for an unknown identifier

} // namespace res
