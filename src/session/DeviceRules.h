#pragma once

#include "protocol/Commands.h"
#include "protocol/ReplyDecoder.h"
#include "session/DeviceState.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

// How a decoded reply's raw fields become the values a device state holds, written once for the
// device model, the pages, the multiview panel and korvex-ctl. Each rule takes a field that the line
// did carry (an absent field stores nothing, so callers check for it first) and gives the value, or
// std::nullopt where the device sent something outside the field's range: that entry is unknown.
namespace session {

// "VS IN": input 1..9 and 10 (multiview) as the selection 0..9.
std::optional<int> routingSelection(int input);
// "EDID ": the EDID choice, a list index 0..13.
std::optional<int> edidChoice(int choice);
// "EAS ": input 1..9 as 0..8.
std::optional<int> audioRouteInput(int input);
// "IRT OUT": external IR input 1..4 as 0..3.
std::optional<int> irRouteSource(int source);
// "EXA MODE": 0 follow the input, 1 follow the output, 2 independent.
std::optional<int> audioMode(int mode);
// "MVW ": 0 = 3x3, 1 = 2x2.
std::optional<int> mvMode(int mode);
// "QVW VS": a window's input digit 1..9 as 0..8.
std::optional<int> qvSource(int digit);
// "BLC ": one colour component 0..255.
std::optional<int> colourComponent(int value);
// "BLW ": the border width 0..15.
std::optional<int> borderWidth(int width);
// " MAS ": the source 1..9 (an input) or 10 (mute). Output 0 of that line means every output.
std::optional<int> mvAudioSource(int source);
// "ADDR ": a device address 0..99.
std::optional<int> deviceAddress(int address);
// Every flag ("RS MUX", "IR EXT SW", "IRC MUX", " EXA " muted, "DHCP "): 1 or 0.
int flagValue(bool flag);
// "HIP ", "NMK ", "RIP ": the address when all four fields came; with some missing, the fields that
// came replace those of the address already known, and an unknown address stays unknown.
std::optional<DeviceState::IpAddress> ipAddress(const protocol::IpAddressFields &fields,
                                                const std::optional<DeviceState::IpAddress> &known);
// "TIP ": the port text as it came; an empty text is no port.
std::optional<std::string> tcpPortText(const std::string &text);

// The EDID choices as the EDID page lists them and korvex-ctl prints them: the index is the choice
// that "EDID " reports and "SET IN.. EDID" sends. The first name ends in a blank.
inline constexpr std::array<std::string_view, protocol::kEdidChoiceCount> kEdidChoiceNames = {
    "1080P_2CH(PCM) ", "1080P_ audio5.1", "User EDID1", "User EDID2", "User EDID3", "From Out1", "From Out2",
    "From Out3",       "From Out4",       "From Out5",  "From Out6",  "From Out7",  "From Out8", "From Out9"};

// The quick-view sources (0..8 per window, -1 unknown) after choosing `source` for `window` (0..3): a
// window that showed that source already takes the chosen window's old one, so no input shows twice.
// A window outside 0..3 changes nothing.
std::array<int, 4> chooseQvSource(std::array<int, 4> sources, int window, int source);

} // namespace session
