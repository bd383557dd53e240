#include "protocol/Commands.h"

#include "protocol/CommandFrame.h"
#include "protocol/FormatDec3.h"
#include "protocol/TextPrefix.h"

#include <algorithm>

namespace protocol {
namespace {

constexpr const char *kCrLf = "\r\n";

bool inRange(int value, int low, int high) {
    return value >= low && value <= high;
}

char digit(int value) {
    return static_cast<char>('0' + value);
}

std::string twoDigits(int value) {
    return {digit(value / 10), digit(value % 10)};
}

// A one-line command: CR LF, the body, CR LF.
std::string line(const std::string &body) {
    return kCrLf + body + kCrLf;
}

template <std::size_t N> std::string joinFlags(const std::array<bool, N> &flags) {
    std::string out;
    out.reserve(2 * N);
    for (std::size_t i = 0; i < N; ++i) {
        if (i > 0)
            out += '.';
        out += flags[i] ? '1' : '0';
    }
    return out;
}

std::string dottedDec3(const std::array<std::uint8_t, 4> &address) {
    return FormatDec3(address[0]) + '.' + FormatDec3(address[1]) + '.' + FormatDec3(address[2]) + '.' +
           FormatDec3(address[3]);
}

// Typed texts end up inside a command line; a control character would split or corrupt it.
bool isPlainText(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

std::optional<std::string> modeLine(const char *keyword, int mode, int maxMode) {
    if (!inRange(mode, 0, maxMode))
        return std::nullopt;
    return line(std::string(keyword) + digit(mode));
}

} // namespace

std::string buildGetStatus() {
    return line("GET STA");
}

std::string buildSearchProbe() {
    return line(">@");
}

std::optional<std::string> buildTypedLine(std::string_view text) {
    if (text.empty() || !isPlainText(text))
        return std::nullopt;
    return line(std::string(text));
}

std::optional<std::string> buildSetMvwMode(int mode) {
    return modeLine("SET MVW MODE", mode, 1);
}

std::optional<std::string> buildSetQvwMode(int mode) {
    return modeLine("SET QVW MODE", mode, 1);
}

std::optional<std::string> buildSetQvwSources(const std::array<int, 4> &digits) {
    std::string body = "SET QVW VS ";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (!inRange(digits[i], 0, 9))
            return std::nullopt;
        if (i > 0)
            body += '.';
        body += digit(digits[i]);
    }
    return line(body);
}

std::optional<std::string> buildSetMvAudio(int output, int source) {
    if (!inRange(output, 0, 9) || !inRange(source, 1, 10))
        return std::nullopt;
    const std::string field = source == 10 ? std::string("10") : std::string{digit(source), ' '};
    return line(std::string("SET OUT") + digit(output) + " MAS IN" + field);
}

std::string buildGetAddress() {
    return line("A00 GET ADDR");
}

std::optional<std::string> buildSetAddress(int device, int newAddress) {
    if (!inRange(device, 0, kMaxDeviceAddress) || !inRange(newAddress, 0, kMaxDeviceAddress))
        return std::nullopt;
    return line("A" + twoDigits(device) + " SET ADDR " + twoDigits(newAddress));
}

std::optional<std::string> buildSetRouting(int output, int input) {
    if (!inRange(output, 0, 9) || !inRange(input, 1, 10))
        return std::nullopt;
    const std::string field = input == 10 ? std::string("10") : std::string{digit(input), ' '};
    return line(std::string("SET OUT") + digit(output) + " VS IN" + field);
}

std::string buildSetBorderLine(std::uint8_t width, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return line("SET BLW " + FormatDec3(width)) +
           line("SET BLC " + FormatDec3(red) + '.' + FormatDec3(green) + '.' + FormatDec3(blue));
}

std::optional<std::string> buildSetInputEdid(int input, int choice) {
    if (!inRange(input, 1, 9) || !inRange(choice, 0, kEdidChoiceCount - 1))
        return std::nullopt;
    return line(std::string("SET IN") + digit(input) + " EDID " + twoDigits(choice));
}

std::optional<std::string> buildGetOutputEdid(int output) {
    if (!inRange(output, 1, 9))
        return std::nullopt;
    return line(std::string("GET OUT") + digit(output) + " EDID  DATA");
}

std::optional<std::string> buildGetInputEdid(int input, int choice) {
    if (!inRange(input, 1, 9) || !inRange(choice, 0, 4))
        return std::nullopt;
    return line(std::string("GET IN") + digit(input) + " EDID " + digit(choice) + " DATA");
}

std::optional<std::string> buildLoadUserEdid(int input, int slot, std::span<const std::uint8_t> data) {
    if (!inRange(input, 1, 9) || !inRange(slot, 1, 3))
        return std::nullopt;
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = std::string("SET IN") + digit(input) + " EDID U" + digit(slot) + " DATA ";
    out.reserve(out.size() + 3 * kEdidImageSize + 1);
    for (std::size_t i = 0; i < kEdidImageSize; ++i) {
        const std::uint8_t byte = i < data.size() ? data[i] : 0xFF;
        if (i > 0)
            out += ' ';
        out += kHex[byte >> 4];
        out += kHex[byte & 0x0F];
    }
    out += kCrLf;
    return out;
}

std::optional<std::string> buildSetLan(const LanSettings &settings) {
    if (!isPlainText(settings.tcpPort) || (settings.mac && !isPlainText(*settings.mac)))
        return std::nullopt;
    std::string out = kCrLf;
    if (settings.dhcp) {
        out += "SET DHCP 1";
        out += kCrLf;
    } else {
        out += "SET DHCP 0";
        out += kCrLf;
        out += "SET HIP " + dottedDec3(settings.host) + kCrLf;
        out += "SET NMK " + dottedDec3(settings.netMask) + kCrLf;
        out += "SET RIP" + dottedDec3(settings.router) + kCrLf;
    }
    out += "SET TIP " + settings.tcpPort + kCrLf;
    if (settings.mac)
        out += "SET MAC " + *settings.mac + kCrLf;
    return out;
}

std::optional<std::string> buildSetExaMode(int mode) {
    return modeLine("SET EXA MODE", mode, 2);
}

std::optional<std::string> buildSetIndependentAudio(int output, int input) {
    if (!inRange(output, 1, 9) || !inRange(input, 1, 9))
        return std::nullopt;
    return line(std::string("SET OUT") + digit(output) + " EAS IN" + digit(input));
}

std::optional<std::string> buildSetAudioOn(int output, bool on) {
    if (!inRange(output, 1, 9))
        return std::nullopt;
    return line(std::string("SET ") + digit(output) + " EXA " + (on ? "EN " : "DIS"));
}

std::optional<std::string> buildSetIrRoute(int output, int source) {
    if (!inRange(output, 0, 9) || !inRange(source, 1, 4))
        return std::nullopt;
    return line(std::string("SET IRT OUT") + digit(output) + " IS IN" + digit(source));
}

std::string buildSetIrSwitch(const std::array<bool, 13> &flags) {
    return line("SET IR EXT SW " + joinFlags(flags));
}

std::string buildSetIrEmitters(const std::array<bool, 9> &flags) {
    return line("SET IRC MUX " + joinFlags(flags));
}

std::string buildSetRsMux(const std::array<bool, 9> &flags) {
    return line("SET RS MUX " + joinFlags(flags));
}

std::vector<std::uint8_t> buildResetLanFrame(std::uint8_t device) {
    return buildShortFrame(kFrameGroup, device, kResetLanCode);
}

} // namespace protocol
