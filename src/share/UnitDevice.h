#pragma once

#include "share/UnitCutter.h"

#include <cstdint>

namespace share {

// The device address a unit is for, so that korvexd can credit the answer to the device asked:
// - a text line that starts, after an optional blank line ("\r\n" or "\n"), with "A", two digits and
//   a space ("A05 SET ...") is for that device; "A00" is for every device and gives 0;
// - a frame is for its device byte;
// - anything else (a line without prefix) is for `currentDevice`, as the device takes it.
std::uint8_t unitDevice(const Unit &unit, std::uint8_t currentDevice);

} // namespace share
