#pragma once

#include "session/PortNumbers.h"

#include <optional>
#include <string>
#include <vector>

// Where the console's port names "COM1".."COM99" lead. On Windows port n is the system's own COMn,
// opened as "\\.\COMn". Elsewhere port n is, in this order, a file or symlink named "COMn" in the
// current directory (how the simulator and the tests attach a pseudo-terminal, and how a user points a
// port at any device), else the device node that the process-wide device table gives it.
namespace serial {

using session::kFirstPort;
using session::kLastPort;

// A run of consecutive ports on numbered device nodes: COM(firstPort + i) -> devicePrefix + i.
struct DeviceRange {
    unsigned firstPort = 0;
    unsigned count = 0;
    std::string devicePrefix;
};

struct DeviceTable {
    std::vector<DeviceRange> ranges;
};

// COM1-32 /dev/ttyS0-31, COM33-64 /dev/ttyUSB0-31, COM65-96 /dev/ttyACM0-31, COM97-99 /dev/ttyAMA0-2.
// Empty on Windows, where the table is not used.
DeviceTable systemDeviceTable();
// No device nodes: only the COMn entries of the current directory lead anywhere (tests).
DeviceTable emptyDeviceTable();

// The table CComLink::Open resolves through; the system table until changed. Thread-safe.
void setDeviceTable(DeviceTable table);
DeviceTable currentDeviceTable();

// "COM7" for 7.
std::string portName(unsigned portNumber);
// The table's device node for the port, or "" when the table has none.
std::string devicePath(const DeviceTable &table, unsigned portNumber);
// "COMn" when that name exists in the current directory (even as a dangling link), else the current
// table's device node; "" for port numbers outside 1..99 or without a node. Windows: "\\.\COMn".
std::string resolvePortPath(unsigned portNumber);

// The port number of "COMn" (n 1..99, any case of "COM"); std::nullopt when the text is not one.
std::optional<unsigned> parseComPort(const std::string &text);
// The port number that reaches a serial port named by a program's user: n for "COMn"; for a device
// path (not on Windows), a port number that the device table is set to lead to that path, one that no
// COMn entry of the current folder hides. std::nullopt, with the reason, when none can.
std::optional<unsigned> portNumberFor(const std::string &name, std::string &error);

} // namespace serial
