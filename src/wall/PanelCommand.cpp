#include "wall/PanelCommand.h"

#include <cstdio>

namespace wall {

namespace {

PanelCommand refuse(PanelRefusal refusal, std::string reason) {
    PanelCommand command;
    command.refusal = refusal;
    command.reason = std::move(reason);
    return command;
}

// Checks shared by both commands: the prefix and the output digit.
PanelCommand checkTarget(unsigned deviceAddress, int outputPort) {
    if (deviceAddress > 99)
        return refuse(PanelRefusal::DeviceAddress,
                      "Device address " + std::to_string(deviceAddress) + " is above 99.");
    if (outputPort < 1 || outputPort > 9)
        return refuse(PanelRefusal::OutputPort, "Output port " + std::to_string(outputPort) + " is not 1~9.");
    return {};
}

PanelCommand format(unsigned deviceAddress, int outputPort, int x1, int y1, int x2, int y2, int rotation) {
    char line[128]; // the checks above keep every field to its width: 47 bytes
    std::snprintf(line, sizeof line, "\r\nA%02u SET OUT%d VW XYZ %04d.%04d.%04d.%04d.%03d\r\n", deviceAddress,
                  outputPort, x1, y1, x2, y2, rotation);
    PanelCommand command;
    command.line = line;
    return command;
}

} // namespace

PanelCommand BuildPanelCommand(const WallPanel &panel) {
    PanelCommand checked = checkTarget(panel.deviceAddress, panel.outputPort);
    if (!checked.ok())
        return checked;
    if (panel.rotation != 0 && panel.rotation != 90 && panel.rotation != 180 && panel.rotation != 270)
        return refuse(PanelRefusal::Rotation,
                      "Rotation " + std::to_string(panel.rotation) + " is not 0, 90, 180 or 270.");
    const bool inside = panel.x1 >= 1 && panel.x2 <= 1920 && panel.y1 >= 1 && panel.y2 <= 1080;
    if (!inside || panel.x1 >= panel.x2 || panel.y1 >= panel.y2) {
        char reason[160];
        std::snprintf(reason, sizeof reason,
                      "Capture rectangle (%d, %d)-(%d, %d) is not a rectangle within (1, 1)-(1920, 1080).",
                      panel.x1, panel.y1, panel.x2, panel.y2);
        return refuse(PanelRefusal::Rectangle, reason);
    }
    return format(panel.deviceAddress, panel.outputPort, panel.x1 - 1, panel.y1 - 1, panel.x2 - 1,
                  panel.y2 - 1, panel.rotation);
}

PanelCommand BuildFullScreenCommand(unsigned deviceAddress, int outputPort, int rotation) {
    PanelCommand checked = checkTarget(deviceAddress, outputPort);
    if (!checked.ok())
        return checked;
    return format(deviceAddress, outputPort, 0, 0, 1919, 1079, rotation == 180 ? 180 : 0);
}

} // namespace wall
