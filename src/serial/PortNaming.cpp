#include "serial/PortNaming.h"

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
    static DeviceTable table = SystemDeviceTable();
    return table;
}

} // namespace

DeviceTable SystemDeviceTable() {
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

DeviceTable EmptyDeviceTable() {
    return DeviceTable{};
}

void SetDeviceTable(DeviceTable table) {
    std::lock_guard<std::mutex> guard(tableLock());
    currentTable() = std::move(table);
}

DeviceTable CurrentDeviceTable() {
    std::lock_guard<std::mutex> guard(tableLock());
    return currentTable();
}

std::string PortName(unsigned portNumber) {
    return "COM" + std::to_string(portNumber);
}

std::string DevicePath(const DeviceTable &table, unsigned portNumber) {
    for (const DeviceRange &range : table.ranges) {
        if (portNumber >= range.firstPort && portNumber - range.firstPort < range.count)
            return range.devicePrefix + std::to_string(portNumber - range.firstPort);
    }
    return {};
}

std::string ResolvePortPath(unsigned portNumber) {
    if (portNumber < kFirstPort || portNumber > kLastPort)
        return {};
#ifdef _WIN32
    // The device namespace name reaches every port: plain "COM10" and above would name a file.
    return "\\\\.\\" + PortName(portNumber);
#else
    const std::string local = PortName(portNumber);
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(local, ec)))
        return local;
    return DevicePath(CurrentDeviceTable(), portNumber);
#endif
}

} // namespace serial
