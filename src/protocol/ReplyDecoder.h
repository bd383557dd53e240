#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// Decoding of the switchers' reply lines into typed records. Each line is recognised by the first
// keyword of the table below that it contains; the record carries the line's fields in wire terms
// and the device session hands it to the pages, the panel and the dialogs that own its rows.
//
// Field rules, the same for every record:
// - Positions are 0-based from the start of the line. The line ends at its LF and at a CR right
//   before that LF; a field at or after that end is absent (std::nullopt) and must store nothing.
// - A selector digit (which output or input row a line is about) is present only when it is a
//   digit "1".."9" (" MAS " also takes "0" = all outputs); anything else gives std::nullopt.
// - A value digit is raw: the byte (0..255) minus "0", not validated, so a non-digit yields a
//   number outside 0..9 (-48..207). The console leaves a control without a selection when a value is out of
//   range.
// - A flag is true for "1" and false for any other character.
namespace protocol {

// No keyword matched: nothing changes (a device search still ends on it).
struct NoKeyword {
    friend bool operator==(const NoKeyword &, const NoKeyword &) = default;
};

// Row 1, "VS IN" found first at k >= 1: video routing of one output.
struct RoutingReply {
    std::optional<int> output; // at k - 2; 1..9, std::nullopt: no valid output (still refresh the page)
    std::optional<int> input;  // at k + 5, raw digit; 10 when k + 5, k + 6 read "10" (multiview)
    friend bool operator==(const RoutingReply &, const RoutingReply &) = default;
};

// Row 2, "EDID " found first at k >= 1: the EDID choice of one input.
struct EdidChoiceReply {
    std::optional<int> input;  // at k - 2; 1..9
    std::optional<int> choice; // raw: the digit at k + 5 when the line ends or has CR at k + 6, else
                               // tens at k + 5 and units at k + 6
    friend bool operator==(const EdidChoiceReply &, const EdidChoiceReply &) = default;
};

// Row 3, "MAC " at k: the MAC text.
struct MacReply {
    std::optional<std::string> mac; // the 17 characters at k + 4 .. k + 20; absent if the line is shorter
    friend bool operator==(const MacReply &, const MacReply &) = default;
};

// Rows 4-6 share one layout: four three-digit fields at positions 4..6, 8..10, 12..14, 16..18.
struct IpAddressFields {
    std::array<std::optional<std::uint8_t>, 4> octets; // each raw decimal value modulo 256
    friend bool operator==(const IpAddressFields &, const IpAddressFields &) = default;
};
struct HostIpReply : IpAddressFields {};   // row 4, "HIP ": host address
struct NetMaskReply : IpAddressFields {};  // row 5, "NMK ": net mask
struct RouterIpReply : IpAddressFields {}; // row 6, "RIP ": router address

// Row 7, "TIP " at k: the TCP port text.
struct TcpPortReply {
    std::string text; // up to four characters from k + 4, ended early by CR or the line's end
    friend bool operator==(const TcpPortReply &, const TcpPortReply &) = default;
};

// Row 8, "DHCP ": DHCP state; the status text becomes " " even when the flag is absent.
struct DhcpReply {
    std::optional<bool> enabled; // character at 5: "0" false (address boxes enabled), anything else true
    friend bool operator==(const DhcpReply &, const DhcpReply &) = default;
};

// Row 9, "EAS ": independent audio routing of one output.
struct AudioRouteReply {
    std::optional<int> output; // at 3; 1..9
    std::optional<int> input;  // at 11, raw digit; the list entry is input - 1
    friend bool operator==(const AudioRouteReply &, const AudioRouteReply &) = default;
};

// Row 10, " EXA " (both spaces): de-embedded audio on or muted for one output.
struct AudioOnReply {
    std::optional<int> output; // at 3; 1..9
    std::optional<bool> muted; // character at 9: "E" false (on), anything else true (mute)
    friend bool operator==(const AudioOnReply &, const AudioOnReply &) = default;
};

// Row 11, "EXA MODE": de-embedded audio mode.
struct AudioModeReply {
    std::optional<int> mode; // at 8, raw digit: 0 follow input, 1 follow output, 2 independent
    friend bool operator==(const AudioModeReply &, const AudioModeReply &) = default;
};

// Row 12, "RS MUX": RS-232 routing.
struct RsMuxReply {
    std::array<std::optional<bool>, 9> outputs; // flags at 7, 9, ..., 23; output 1 first
    friend bool operator==(const RsMuxReply &, const RsMuxReply &) = default;
};

// Row 13, "IRT OUT": HDBaseT IR route of one output.
struct IrRouteReply {
    std::optional<int> output; // at 7; 1..9
    std::optional<int> source; // at 14, raw digit; the list entry is source - 1
    friend bool operator==(const IrRouteReply &, const IrRouteReply &) = default;
};

// Row 14, "IR EXT SW": matrix IR control.
struct IrSwitchReply {
    std::array<std::optional<bool>, 9> hdbt;     // flags at 10, 12, ..., 26: HDBaseT links 1..9
    std::array<std::optional<bool>, 4> external; // flags at 28, 30, 32, 34: external IR 1..4
    friend bool operator==(const IrSwitchReply &, const IrSwitchReply &) = default;
};

// Row 15, "IRC MUX": IR emitter sources.
struct IrEmitterReply {
    std::array<std::optional<bool>, 9> outputs; // flags at 8, 10, ..., 24; output 1 first
    friend bool operator==(const IrEmitterReply &, const IrEmitterReply &) = default;
};

// Row 16, "MVW ": multiview mode.
struct MvModeReply {
    std::optional<int> mode; // character at 8: "0" gives 0, anything else 1
    friend bool operator==(const MvModeReply &, const MvModeReply &) = default;
};

// Row 17, "QVW VS": the inputs of the four quick-view windows.
struct QvSourcesReply {
    std::array<std::optional<int>, 4> digits; // at 7, 9, 11, 13, raw digits; QV source = digit - 1
    friend bool operator==(const QvSourcesReply &, const QvSourcesReply &) = default;
};

// Row 18, "BLC ": border colour. Each number has one to three characters from its start, ended
// by "." (the first two) or by CR or the line's end (the third); with no terminator within three
// characters it is three long. Raw decimal values; a number whose start is unknown is absent.
struct BorderColourReply {
    std::optional<int> red;   // first number, from position 4
    std::optional<int> green; // second number, after the first terminator
    std::optional<int> blue;  // third number, after the second terminator
    friend bool operator==(const BorderColourReply &, const BorderColourReply &) = default;
};

// Row 19, "BLW ": border width.
struct BorderWidthReply {
    std::optional<int> width; // raw digit at 4; 10 x it + the digit at 5 when that is "0".."5"
    friend bool operator==(const BorderWidthReply &, const BorderWidthReply &) = default;
};

// Row 20, " MAS " (both spaces): multiview audio source of one output.
struct MvAudioReply {
    std::optional<int> output; // at 3; 0..9, 0 = all outputs
    std::optional<int> source; // 10 when the character at 12 is "0", else the raw digit at 11
    friend bool operator==(const MvAudioReply &, const MvAudioReply &) = default;
};

// Row 21, "ADDR " at position 0 only: a device's address.
struct AddressReply {
    std::optional<int> address; // tens at 5, units at 6; absent unless both are decimal digits
    friend bool operator==(const AddressReply &, const AddressReply &) = default;
};

// One alternative per table row, in table order: the index of a decoded Reply is its row number
// (0 when no keyword matched).
using Reply =
    std::variant<NoKeyword, RoutingReply, EdidChoiceReply, MacReply, HostIpReply, NetMaskReply, RouterIpReply,
                 TcpPortReply, DhcpReply, AudioRouteReply, AudioOnReply, AudioModeReply, RsMuxReply,
                 IrRouteReply, IrSwitchReply, IrEmitterReply, MvModeReply, QvSourcesReply, BorderColourReply,
                 BorderWidthReply, MvAudioReply, AddressReply>;

// The keywords in table order; kReplyKeywords[row - 1] belongs to row `row`.
inline constexpr std::array<std::string_view, 21> kReplyKeywords = {
    "VS IN",   "EDID ", "MAC ",   "HIP ",     "NMK ",   "RIP ",    "TIP ",
    "DHCP ",   "EAS ",  " EXA ",  "EXA MODE", "RS MUX", "IRT OUT", "IR EXT SW",
    "IRC MUX", "MVW ",  "QVW VS", "BLC ",     "BLW ",   " MAS ",   "ADDR "};

// Decodes one received line (with or without its CR LF). Reads nothing outside `line`.
Reply decodeReply(std::string_view line);

} // namespace protocol
