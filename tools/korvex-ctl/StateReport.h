#pragma once

#include "DeviceState.h"

#include <string>

// A DeviceState printed for people or as JSON. Whatever the state lacks is left out: JSON keys are
// missing (or null inside an array whose other entries came), text lines are missing and table cells
// read "-". The JSON keys and values are those of the device objects of korvex-sim's --state file.
class StateReport {
public:
    static std::string Text(const DeviceState &state);
    static std::string Json(const DeviceState &state);

    // The LAN settings alone.
    static std::string LanText(const DeviceState &state);
    static std::string LanJson(const DeviceState &state);

    // The text of an EDID choice, index 0..13, as the EDID page lists it ("" for any other index).
    static const char *EdidChoiceName(int choice);
};
