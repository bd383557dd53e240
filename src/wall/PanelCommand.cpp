#include "wall/PanelCommand.h"

#include <cstdio>

namespace wall {

namespace {

PanelCommand format(unsigned deviceAddress, int outputPort, int x1, int y1, int x2, int y2, int rotation) {
    char line[128]; // the checks keep every field to its width: 47 bytes
    std::snprintf(line, sizeof line, "\r\nA%02u SET OUT%d VW XYZ %04d.%04d.%04d.%04d.%03d\r\n", deviceAddress,
                  outputPort, x1, y1, x2, y2, rotation);
    PanelCommand command;
    command.line = line;
    return command;
}

PanelCommand refuse(PanelRefusal refusal) {
    PanelCommand command;
    command.refusal = refusal;
    return command;
}

} // namespace

PanelCommand buildPanelCommand(const WallPanel &panel) {
    if (const PanelRefusal refusal = checkPanel(panel); refusal != PanelRefusal::None)
        return refuse(refusal);
    return format(panel.deviceAddress, panel.outputPort, panel.x1 - 1, panel.y1 - 1, panel.x2 - 1,
                  panel.y2 - 1, panel.rotation);
}

PanelCommand buildFullScreenCommand(unsigned deviceAddress, int outputPort, int rotation) {
    if (const PanelRefusal refusal = checkFullScreen(deviceAddress, outputPort);
        refusal != PanelRefusal::None)
        return refuse(refusal);
    return format(deviceAddress, outputPort, 0, 0, 1919, 1079, rotation == 180 ? 180 : 0);
}

} // namespace wall
