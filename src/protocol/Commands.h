#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Text commands for the Korvex switchers, each returned whole with its CR LF framing exactly as a
// page hands it to SendText (the address prefix is added there, see TextPrefix.h). Arguments are
// wire values (1-based inputs and outputs, 0 = all outputs). A builder whose argument cannot form
// its digits returns std::nullopt, and the caller sends nothing.
namespace protocol {

// "GET STA": asks a device for all of its status lines. 11 bytes.
std::string buildGetStatus();

// Device search probe, written straight to the port without a prefix. 6 bytes.
std::string buildSearchProbe();

// A command line typed by hand (korvex-ctl send): CR LF, the text as typed, CR LF. std::nullopt
// for an empty text or one holding a control character, which would break it into further lines.
std::optional<std::string> buildTypedLine(std::string_view text);

// "SET MVW MODE" + mode (0 or 1): multiview mode from the MV button. 17 bytes.
std::optional<std::string> buildSetMvwMode(int mode);

// "SET QVW MODE" + mode (0 or 1): the same mode from a click on the MV icon. 17 bytes.
std::optional<std::string> buildSetQvwMode(int mode);

// "SET QVW VS " + four digits joined by ".": the input of each quick-view window, window 1 first.
// Each digit 0..9 (1..9 an input, 0 for a window whose source is unknown). 22 bytes.
std::optional<std::string> buildSetQvwSources(const std::array<int, 4> &digits);

// "SET OUT" output (0..9, 0 = all) " MAS IN" source: 1..9 as a digit and a space, 10 (mute) as
// "10". Multiview audio source. 21 bytes.
std::optional<std::string> buildSetMvAudio(int output, int source);

// "A00 GET ADDR": asks every device for its address; carries its own prefix. 16 bytes.
std::string buildGetAddress();

// "A" device " SET ADDR " newAddress, both 0..99 as two digits; carries its own prefix. 19 bytes.
std::optional<std::string> buildSetAddress(int device, int newAddress);

// "SET OUT" output (0..9, 0 = all) " VS IN" input: 1..9 as a digit and a space, 10 (multiview)
// as "10". Video routing. 20 bytes.
std::optional<std::string> buildSetRouting(int output, int input);

// Two lines in one text: "SET BLW " width, then "SET BLC " red "." green "." blue, each value as
// three digits. The caller range-checks; the bytes go out as given. 38 bytes.
std::string buildSetBorderLine(std::uint8_t width, std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// Number of EDID choices an input offers (built-in, user slots, copies of the output sinks).
inline constexpr int kEdidChoiceCount = 14;

// "SET IN" input (1..9) " EDID " choice (0..13, two digits): the EDID an input presents. 19 bytes.
std::optional<std::string> buildSetInputEdid(int input, int choice);

// "GET OUT" output (1..9) " EDID  DATA" (two spaces): dump of an output's sink EDID. 23 bytes.
std::optional<std::string> buildGetOutputEdid(int output);

// "GET IN" input (1..9) " EDID " choice (0..4, built-in or user) " DATA": dump of an input's
// EDID. A "From Out" choice (5 and up) has no dump command. 23 bytes.
std::optional<std::string> buildGetInputEdid(int input, int choice);

// Size of an EDID image as the switchers store it.
inline constexpr std::size_t kEdidImageSize = 256;

// "SET IN" input (1..9) " EDID U" slot (1..3) " DATA " then 256 upper-case hex pairs separated
// by single spaces, then CR LF. No leading CR LF, so SendText adds no prefix. Bytes past the
// first 256 of `data` are ignored; missing bytes are sent as FF. 790 bytes.
std::optional<std::string> buildLoadUserEdid(int input, int slot, std::span<const std::uint8_t> data);

// The LAN settings as the IP CONFIG page sends them.
struct LanSettings {
    bool dhcp = false;                     // DHCP on: only the TCP port (and MAC) lines follow
    std::array<std::uint8_t, 4> host{};    // host address, display order
    std::array<std::uint8_t, 4> netMask{}; // net mask
    std::array<std::uint8_t, 4> router{};  // router address
    std::string tcpPort;                   // TCP port text as typed
    std::optional<std::string> mac;        // MAC text as typed; present only once unlocked
};

// One multi-line text: "SET DHCP 1" or "SET DHCP 0" with "SET HIP ", "SET NMK ", "SET RIP" (no
// blank) lines, then "SET TIP " and, when present, "SET MAC ". std::nullopt when a typed text
// holds a control character, which would break the text into further command lines.
std::optional<std::string> buildSetLan(const LanSettings &settings);

// "SET EXA MODE" + mode (0 follow the input, 1 follow the output, 2 independent). 17 bytes.
std::optional<std::string> buildSetExaMode(int mode);

// "SET OUT" output (1..9) " EAS IN" input (1..9): independent audio routing. 20 bytes.
std::optional<std::string> buildSetIndependentAudio(int output, int input);

// "SET " output (1..9) " EXA " then "EN " when on, "DIS" when muted. 17 bytes.
std::optional<std::string> buildSetAudioOn(int output, bool on);

// "SET IRT OUT" output (0..9, 0 = all) " IS IN" source (1..4, the external IR inputs). 23 bytes.
std::optional<std::string> buildSetIrRoute(int output, int source);

// "SET IR EXT SW " + 13 flags joined by ".": HDBaseT links 1..9, then external IR 1..4. 43 bytes.
std::string buildSetIrSwitch(const std::array<bool, 13> &flags);

// "SET IRC MUX " + 9 flags joined by ".": IR emitter sources, output 1 first. 33 bytes.
std::string buildSetIrEmitters(const std::array<bool, 9> &flags);

// "SET RS MUX " + 9 flags joined by ".": RS-232 routing, output 1 first. 32 bytes.
std::string buildSetRsMux(const std::array<bool, 9> &flags);

// Command code of the frame that resets a device's LAN settings (no payload).
inline constexpr std::uint16_t kResetLanCode = 0x7802;

// The LAN reset frame for a device (group byte 0). 10 bytes.
std::vector<std::uint8_t> buildResetLanFrame(std::uint8_t device);

} // namespace protocol
