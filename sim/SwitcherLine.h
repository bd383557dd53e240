#pragma once

#include "sim/Device.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvexsim {

// The switchers sharing one RS-232 line. A line or frame reaches the device whose address it
// carries, every device for address 00 or for a line without prefix. Devices answer in address
// order, each with its whole reply before the next starts.
class SwitcherLine {
public:
    struct Result {
        bool recognised = false;          // a command of the switchers' language
        std::vector<std::string> replies; // one block per answering device, lines ended by CR LF
    };

    // Command code of the binary frame that resets the LAN settings.
    static constexpr int kResetLanCode = 0x7802;

    explicit SwitcherLine(const std::vector<int> &addresses);

    // line: the bytes received before an LF (the CR, if any, included).
    Result handleLine(std::string_view line);
    // frame: a whole command frame whose layout and checksum have been checked.
    Result handleFrame(std::string_view frame);

    const std::vector<Device> &devices() const { return m_devices; }
    // Plugs the same display into output 1..9 of every device.
    void setSinkEdid(int output, const EdidImage &image);

private:
    Result dispatch(std::optional<int> address, const Command &cmd);

    std::vector<Device> m_devices;
};

} // namespace korvexsim
