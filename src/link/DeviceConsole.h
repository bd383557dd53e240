#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// What a page needs of the console window to reach the device: the port-on flag, the current device
// byte and the three send operations. The console window implements it; pages hold a pointer to it.
class IDeviceConsole {
public:
    virtual ~IDeviceConsole() = default;

    virtual bool PortOn() const = 0;
    virtual std::uint8_t DeviceByte() const = 0;
    // A text command; every command line gets the current device's address prefix.
    virtual void SendText(std::string_view text) = 0;
    // Binary command frames; they report "Com port is not on yet." themselves.
    virtual void SendShortFrame(std::uint16_t code) = 0;
    virtual void SendFrame(std::uint16_t code, std::size_t payloadLength, const std::uint8_t *payload) = 0;
};
