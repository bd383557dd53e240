#pragma once

#include "session/ReplySink.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace session {

// How a send went.
enum class SendStatus {
    Sent,
    PortOff,          // a frame while the console is off: nothing sent
    TooMuchParameter, // a frame payload above 290 bytes: nothing sent
    Refused,          // the line is closed or failed, or the text does not fit the write limit
};

// What pages, the multiview panel, dialogs and command-line requests need of a line of switchers:
// the port-on flag, the current device byte, the sends and the reply registration. The device
// session implements it.
class IDeviceConsole {
public:
    virtual ~IDeviceConsole() = default;

    virtual bool portOn() const = 0;
    virtual std::uint8_t deviceByte() const = 0;
    // A text command; every command line gets the current device's address prefix. A text that does
    // not fit the write limit once prefixed is refused whole.
    virtual SendStatus SendText(std::string_view text) = 0;
    // A binary command frame to the current device (checked for size first, then for the port).
    virtual SendStatus SendFrame(std::uint16_t code, std::span<const std::uint8_t> payload = {}) = 0;

    // A sink registered twice is held once; removing an unknown sink does nothing; a sink may leave
    // (or remove another) while a reply is handed out.
    virtual void addReplySink(IReplySink *sink) = 0;
    virtual void removeReplySink(IReplySink *sink) = 0;
};

} // namespace session
