#include "wall/PanelCheck.h"

#include "protocol/TextPrefix.h"

namespace wall {

PanelRefusal checkFullScreen(unsigned deviceAddress, int outputPort) {
    if (deviceAddress > protocol::kMaxDeviceAddress)
        return PanelRefusal::DeviceAddress;
    if (outputPort < 1 || outputPort > 9)
        return PanelRefusal::OutputPort;
    return PanelRefusal::None;
}

PanelRefusal checkPanel(const PanelValues &v) {
    if (const PanelRefusal target = checkFullScreen(v.deviceAddress, v.outputPort);
        target != PanelRefusal::None)
        return target;
    if (v.rotation != 0 && v.rotation != 90 && v.rotation != 180 && v.rotation != 270)
        return PanelRefusal::Rotation;
    auto inX = [](long long x) { return x >= 1 && x <= 1920; };
    auto inY = [](long long y) { return y >= 1 && y <= 1080; };
    if (!inX(v.x1) || !inX(v.x2) || !inY(v.y1) || !inY(v.y2))
        return PanelRefusal::OutsideFrame;
    if (v.x2 <= v.x1 || v.y2 <= v.y1)
        return PanelRefusal::Corners;
    return PanelRefusal::None;
}

PanelRefusal checkPanel(const WallPanel &p) {
    return checkPanel(PanelValues{p.deviceAddress, p.outputPort, p.rotation, p.x1, p.y1, p.x2, p.y2});
}

std::string storedPanelRefusalText(PanelRefusal refusal, const WallPanel &p) {
    switch (refusal) {
    case PanelRefusal::None:
        break;
    case PanelRefusal::DeviceAddress:
        return "Device address " + std::to_string(p.deviceAddress) + " is above 99.";
    case PanelRefusal::OutputPort:
        return "Output port " + std::to_string(p.outputPort) + " is not 1~9.";
    case PanelRefusal::Rotation:
        return "Rotation " + std::to_string(p.rotation) + " is not 0, 90, 180 or 270.";
    case PanelRefusal::OutsideFrame:
    case PanelRefusal::Corners:
        return "Capture rectangle (" + std::to_string(p.x1) + ", " + std::to_string(p.y1) + ")-(" +
               std::to_string(p.x2) + ", " + std::to_string(p.y2) +
               ") is not a rectangle within (1, 1)-(1920, 1080).";
    }
    return {};
}

} // namespace wall
