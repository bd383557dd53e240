#include "serial/PortNaming.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <mutex>
#include <utility>

namespace serial {

namespace {

std::mutex &tableLock() {
    static std::mutex lock;
    return lock;
}

DeviceTable &currentTable() {
    static DeviceTable table = systemDeviceTable();
    return table;
}

} // namespace

DeviceTable systemDeviceTable() {
#ifdef _WIN32
    return DeviceTable{}; // the system names its ports itself
#else
    return DeviceTable{{
        {1, 32, "/dev/ttyS"},
        {33, 32, "/dev/ttyUSB"},
        {65, 32, "/dev/ttyACM"},
        {97, 3, "/dev/ttyAMA"},
    }};
#endif
}

DeviceTable emptyDeviceTable() {
    return DeviceTable{};
}

void setDeviceTable(DeviceTable table) {
    std::lock_guard<std::mutex> guard(tableLock());
    currentTable() = std::move(table);
}

DeviceTable currentDeviceTable() {
    std::lock_guard<std::mutex> guard(tableLock());
    return currentTable();
}

std::string portName(unsigned portNumber) {
    return "COM" + std::to_string(portNumber);
}

std::string devicePath(const DeviceTable &table, unsigned portNumber) {
    for (const DeviceRange &range : table.ranges) {
        if (portNumber >= range.firstPort && portNumber - range.firstPort < range.count)
            return range.devicePrefix + std::to_string(portNumber - range.firstPort);
    }
    return {};
}

std::string resolvePortPath(unsigned portNumber) {
    if (portNumber < kFirstPort || portNumber > kLastPort)
        return {};
#ifdef _WIN32
    // The device namespace name reaches every port: plain "COM10" and above would name a file.
    return "\\\\.\\" + portName(portNumber);
#else
    const std::string local = portName(portNumber);
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(local, ec)))
        return local;
    return devicePath(currentDeviceTable(), portNumber);
#endif
}

std::optional<unsigned> parseComPort(const std::string &text) {
    if (text.size() < 4 || text.size() > 5)
        return std::nullopt;
    std::string head = text.substr(0, 3);
    std::transform(head.begin(), head.end(), head.begin(),
                   [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
    const std::string digits = text.substr(3);
    if (head != "COM" ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const unsigned number = static_cast<unsigned>(std::stoi(digits));
    if (number < kFirstPort || number > kLastPort)
        return std::nullopt;
    return number;
}

std::optional<unsigned> portNumberFor(const std::string &name, std::string &error) {
    if (const std::optional<unsigned> number = parseComPort(name))
        return number;
#ifdef _WIN32
    error = "not a port name: use COM1..COM99";
    return std::nullopt;
#else
    // The path becomes the single entry of the table, which names a device by a prefix and a number:
    // the canonical name without its last digit, and that digit. Device nodes and pseudo-terminals all
    // end in a digit ("/dev/pts/15" is "/dev/pts/1" and 5).
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::canonical(name, ec);
    if (ec) {
        error = "no such device";
        return std::nullopt;
    }
    const std::string path = canonical.string();
    if (path.empty() || path.back() < '0' || path.back() > '9') {
        error = "not a serial device";
        return std::nullopt;
    }
    const unsigned index = static_cast<unsigned>(path.back() - '0');
    const std::string prefix = path.substr(0, path.size() - 1);
    for (unsigned port = index + 1; port <= kLastPort; ++port) {
        if (std::filesystem::exists(std::filesystem::symlink_status(portName(port), ec)))
            continue;
        setDeviceTable(DeviceTable{{{port - index, index + 1, prefix}}});
        return port;
    }
    error = "every port number is taken by a COMn entry in this folder";
    return std::nullopt;
#endif
}

} // namespace serial
