#include "protocol/ReplyDecoder.h"

#include <cstddef>

namespace protocol {
namespace {

using Pos = std::ptrdiff_t;

// One reply line without its line end, with bounds-checked access to its fixed positions.
class Line {
public:
    explicit Line(std::string_view raw) {
        if (!raw.empty() && raw.back() == '\n')
            raw.remove_suffix(1);
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        m_text = raw;
    }

    Pos size() const { return static_cast<Pos>(m_text.size()); }

    std::optional<char> at(Pos pos) const {
        if (pos < 0 || pos >= size())
            return std::nullopt;
        return m_text[static_cast<std::size_t>(pos)];
    }

    // First occurrence of the keyword, or -1.
    Pos find(std::string_view keyword) const {
        const std::size_t k = m_text.find(keyword);
        return k == std::string_view::npos ? -1 : static_cast<Pos>(k);
    }

    // CR or the line's end: the terminator of fields "ended by CR".
    bool endsAt(Pos pos) const {
        const std::optional<char> c = at(pos);
        return !c || *c == '\r';
    }

    std::optional<int> value(Pos pos) const {
        const std::optional<char> c = at(pos);
        return c ? std::optional<int>(code(*c) - '0') : std::nullopt;
    }

    std::optional<int> selector(Pos pos, char lowest = '1') const {
        const std::optional<char> c = at(pos);
        return c && *c >= lowest && *c <= '9' ? std::optional<int>(*c - '0') : std::nullopt;
    }

    std::optional<bool> flag(Pos pos) const {
        const std::optional<char> c = at(pos);
        return c ? std::optional<bool>(*c == '1') : std::nullopt;
    }

    // Raw decimal value of `length` characters from `pos`; absent unless all of them are present.
    std::optional<int> number(Pos pos, Pos length) const {
        if (pos < 0 || length <= 0 || pos + length > size())
            return std::nullopt;
        int result = 0;
        for (Pos i = 0; i < length; ++i)
            result = result * 10 + (code(m_text[static_cast<std::size_t>(pos + i)]) - '0');
        return result;
    }

    std::string_view text() const { return m_text; }

private:
    // Bytes count as 0..255 whatever the signedness of char, so raw values do not depend on it.
    static int code(char c) { return static_cast<unsigned char>(c); }

    std::string_view m_text;
};

template <std::size_t N> std::array<std::optional<bool>, N> flags(const Line &line, Pos first) {
    std::array<std::optional<bool>, N> out;
    for (std::size_t i = 0; i < N; ++i)
        out[i] = line.flag(first + 2 * static_cast<Pos>(i));
    return out;
}

RoutingReply decodeRouting(const Line &line, Pos k) {
    RoutingReply r;
    r.output = line.selector(k - 2);
    if (line.at(k + 5) == '1' && line.at(k + 6) == '0')
        r.input = 10;
    else
        r.input = line.value(k + 5);
    return r;
}

EdidChoiceReply decodeEdidChoice(const Line &line, Pos k) {
    EdidChoiceReply r;
    r.input = line.selector(k - 2);
    const std::optional<int> tens = line.value(k + 5);
    if (tens)
        r.choice = line.endsAt(k + 6) ? *tens : *tens * 10 + *line.value(k + 6);
    return r;
}

MacReply decodeMac(const Line &line, Pos k) {
    constexpr Pos kMacLength = 17;
    MacReply r;
    if (k + 4 + kMacLength <= line.size())
        r.mac = std::string(line.text().substr(static_cast<std::size_t>(k + 4), kMacLength));
    return r;
}

IpAddressFields decodeIpAddress(const Line &line) {
    IpAddressFields r;
    for (std::size_t i = 0; i < r.octets.size(); ++i) {
        if (const std::optional<int> v = line.number(4 + 4 * static_cast<Pos>(i), 3))
            r.octets[i] = static_cast<std::uint8_t>(((*v % 256) + 256) % 256);
    }
    return r;
}

TcpPortReply decodeTcpPort(const Line &line, Pos k) {
    TcpPortReply r;
    for (Pos pos = k + 4; pos < k + 8 && !line.endsAt(pos); ++pos)
        r.text += *line.at(pos);
    return r;
}

DhcpReply decodeDhcp(const Line &line) {
    DhcpReply r;
    if (const std::optional<char> c = line.at(5))
        r.enabled = *c != '0';
    return r;
}

AudioOnReply decodeAudioOn(const Line &line) {
    AudioOnReply r;
    r.output = line.selector(3);
    if (const std::optional<char> c = line.at(9))
        r.muted = *c != 'E';
    return r;
}

IrSwitchReply decodeIrSwitch(const Line &line) {
    IrSwitchReply r;
    r.hdbt = flags<9>(line, 10);
    r.external = flags<4>(line, 28);
    return r;
}

MvModeReply decodeMvMode(const Line &line) {
    MvModeReply r;
    if (const std::optional<char> c = line.at(8))
        r.mode = *c == '0' ? 0 : 1;
    return r;
}

QvSourcesReply decodeQvSources(const Line &line) {
    QvSourcesReply r;
    for (std::size_t i = 0; i < r.digits.size(); ++i)
        r.digits[i] = line.value(7 + 2 * static_cast<Pos>(i));
    return r;
}

// One number of a "BLC " line starting at `start`: one to three characters up to its terminator.
// Returns the value and the start of the next number (past the terminator).
std::pair<std::optional<int>, Pos> colourNumber(const Line &line, Pos start, bool last) {
    Pos length = 3;
    for (Pos n = 1; n <= 3; ++n) {
        const bool ends = last ? line.endsAt(start + n) : line.at(start + n) == '.';
        if (ends) {
            length = n;
            break;
        }
    }
    return {line.number(start, length), start + length + 1};
}

BorderColourReply decodeBorderColour(const Line &line) {
    BorderColourReply r;
    auto [red, next] = colourNumber(line, 4, false);
    r.red = red;
    if (!red)
        return r;
    auto [green, third] = colourNumber(line, next, false);
    r.green = green;
    if (!green)
        return r;
    r.blue = colourNumber(line, third, true).first;
    return r;
}

BorderWidthReply decodeBorderWidth(const Line &line) {
    BorderWidthReply r;
    const std::optional<int> first = line.value(4);
    if (!first)
        return r;
    const std::optional<char> second = line.at(5);
    r.width = second && *second >= '0' && *second <= '5' ? *first * 10 + (*second - '0') : *first;
    return r;
}

MvAudioReply decodeMvAudio(const Line &line) {
    MvAudioReply r;
    r.output = line.selector(3, '0');
    const std::optional<int> digit = line.value(11);
    if (digit)
        r.source = line.at(12) == '0' ? 10 : *digit;
    return r;
}

AddressReply decodeAddress(const Line &line) {
    AddressReply r;
    const std::optional<int> tens = line.selector(5, '0');
    const std::optional<int> units = line.selector(6, '0');
    if (tens && units)
        r.address = *tens * 10 + *units;
    return r;
}

} // namespace

Reply decodeReply(std::string_view raw) {
    const Line line(raw);
    Pos k = line.find("VS IN");
    if (k >= 1)
        return decodeRouting(line, k);
    k = line.find("EDID ");
    if (k >= 1) {
        // An EDID dump ("... EDID ... DATA 00ff...") that no capture took is not an input's choice.
        if (line.find("DATA ") >= 0)
            return NoKeyword{};
        return decodeEdidChoice(line, k);
    }
    if ((k = line.find("MAC ")) >= 0)
        return decodeMac(line, k);
    if (line.find("HIP ") >= 0)
        return HostIpReply{decodeIpAddress(line)};
    if (line.find("NMK ") >= 0)
        return NetMaskReply{decodeIpAddress(line)};
    if (line.find("RIP ") >= 0)
        return RouterIpReply{decodeIpAddress(line)};
    if ((k = line.find("TIP ")) >= 0)
        return decodeTcpPort(line, k);
    if (line.find("DHCP ") >= 0)
        return decodeDhcp(line);
    if (line.find("EAS ") >= 0)
        return AudioRouteReply{line.selector(3), line.value(11)};
    if (line.find(" EXA ") >= 0)
        return decodeAudioOn(line);
    if (line.find("EXA MODE") >= 0)
        return AudioModeReply{line.value(8)};
    if (line.find("RS MUX") >= 0)
        return RsMuxReply{flags<9>(line, 7)};
    if (line.find("IRT OUT") >= 0)
        return IrRouteReply{line.selector(7), line.value(14)};
    if (line.find("IR EXT SW") >= 0)
        return decodeIrSwitch(line);
    if (line.find("IRC MUX") >= 0)
        return IrEmitterReply{flags<9>(line, 8)};
    if (line.find("MVW ") >= 0)
        return decodeMvMode(line);
    if (line.find("QVW VS") >= 0)
        return decodeQvSources(line);
    if (line.find("BLC ") >= 0)
        return decodeBorderColour(line);
    if (line.find("BLW ") >= 0)
        return decodeBorderWidth(line);
    if (line.find(" MAS ") >= 0)
        return decodeMvAudio(line);
    if (line.find("ADDR ") == 0)
        return decodeAddress(line);
    return NoKeyword{};
}

} // namespace protocol
