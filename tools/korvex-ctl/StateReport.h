#pragma once

#include "session/DeviceState.h"

#include <string>

// A device's state printed for people or as JSON. Whatever the state lacks is left out: JSON keys are
// missing (or null inside an array whose other entries came), text lines are missing and table cells
// read "-". The JSON is the device model's own (session/DeviceStateJson.h); texts the device sent
// (TCP port, MAC) show their control bytes escaped as the JSON does.
class StateReport {
public:
    static std::string Text(const session::DeviceState &state);
    static std::string Json(const session::DeviceState &state);

    // The LAN settings alone.
    static std::string LanText(const session::DeviceState &state);
    static std::string LanJson(const session::DeviceState &state);

    // The text of an EDID choice, index 0..13, as the EDID page lists it ("" for any other index).
    static std::string EdidChoiceName(int choice);
};
