#pragma once

#include "session/DeviceState.h"

#include <string>

// A device's state printed for people or as JSON. Whatever the state lacks is left out: JSON keys are
// missing (or null inside an array whose other entries came), text lines are missing and table cells
// read "-". The JSON is the device model's own (session/DeviceStateJson.h); texts the device sent
// (TCP port, MAC) show their control bytes escaped as the JSON does.
class StateReport {
public:
    static std::string text(const session::DeviceState &state);
    static std::string json(const session::DeviceState &state);

    // The LAN settings alone.
    static std::string lanText(const session::DeviceState &state);
    static std::string lanJson(const session::DeviceState &state);

    // The text of an EDID choice, index 0..13, as the EDID page lists it ("" for any other index).
    static std::string edidChoiceName(int choice);
};
