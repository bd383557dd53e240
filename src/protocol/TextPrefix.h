#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The address prefix that SendText puts before every command line of a text, so that the line
// reaches the device chosen in the address list ("A05 " for device 5, "A00 " for all devices).
namespace protocol {

// The highest device address; 0 reaches every device.
inline constexpr int kMaxDeviceAddress = 99;

// The port's write buffer: a text longer than this after prefixing cannot go out in one write.
inline constexpr std::size_t kWriteBufferSize = 1024;

// "A", the two digits of the device byte and a space; std::nullopt for a device above 99, which
// has no two-digit address.
std::optional<std::string> addressPrefix(std::uint8_t device);

// True when the byte at `i` starts a command line that gets the prefix: i >= 1, the byte before
// it is LF, and it is printable ASCII (0x20..0x7E) other than "A" (a line that starts with "A"
// carries its own address).
bool needsPrefix(std::string_view text, std::size_t i);

// The text with the device's prefix inserted before every such line; byte 0 never gets one.
// std::nullopt, so that nothing at all is sent, when the result would be longer than `limit`
// or when a prefix is needed and the device has no two-digit address.
std::optional<std::string> prefixText(std::string_view text, std::uint8_t device,
                                      std::size_t limit = kWriteBufferSize);

// The device that bytes going on the line are for: the device byte of a command frame, the address of
// the last command line that carries a prefix ("A05 ..." is for device 5), or 0 (every device) for a
// last command line without one. std::nullopt when the bytes hold no command (only line ends).
std::optional<std::uint8_t> addressedDevice(std::string_view bytes);

} // namespace protocol
