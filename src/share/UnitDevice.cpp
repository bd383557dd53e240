#include "share/UnitDevice.h"

namespace share {

namespace {

constexpr std::size_t kFrameDeviceByte = 6; // AA 06 00, two length bytes, group, device

bool isDigit(std::uint8_t byte) {
    return byte >= '0' && byte <= '9';
}

} // namespace

std::uint8_t unitDevice(const Unit &unit, std::uint8_t currentDevice) {
    std::span<const std::uint8_t> bytes = unit.bytes;
    if (unit.kind == UnitKind::Frame)
        return bytes.size() > kFrameDeviceByte ? bytes[kFrameDeviceByte] : currentDevice;
    if (bytes.size() >= 2 && bytes[0] == '\r' && bytes[1] == '\n')
        bytes = bytes.subspan(2);
    else if (!bytes.empty() && bytes[0] == '\n')
        bytes = bytes.subspan(1);
    if (bytes.size() >= 4 && bytes[0] == 'A' && isDigit(bytes[1]) && isDigit(bytes[2]) && bytes[3] == ' ')
        return static_cast<std::uint8_t>((bytes[1] - '0') * 10 + (bytes[2] - '0'));
    return currentDevice;
}

} // namespace share
