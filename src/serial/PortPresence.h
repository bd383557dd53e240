#pragma once

#include <string>

// Whether a port's device is there at all, as the port list marks it: a COMn link in the current
// folder that leads to an existing file, or a device node of the system table that exists (and,
// for a legacy /dev/ttyS* node, has a UART behind it, which Linux reports in /sys). It does not open
// the device: a present port may still be in use or closed to this user.
namespace serial {

bool portPresent(unsigned portNumber);

// The /sys folder the ttyS check reads; tests point it at a folder of their own.
void setSysClassTtyFolder(std::string folder);

} // namespace serial
