#include "videohub/RequestDecoder.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

namespace videohub {

namespace {

std::optional<StatusBlock> statusBlockNamed(std::string_view header) {
    for (const StatusBlock block : kStatusBlocks)
        if (header == headerOf(block))
            return block;
    return std::nullopt;
}

// A decimal number of digits only (no sign, no blanks; leading zeros are harmless). Numbers too large
// for any port saturate, so they stay out of range instead of wrapping.
std::optional<int> decimal(std::string_view text) {
    constexpr int kTooLarge = 1'000'000;
    if (text.empty())
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = std::min(value * 10 + (c - '0'), kTooLarge);
    }
    return value;
}

// "<index> <value>": the index before the first blank, the value the rest of the line after it.
struct PortLine {
    int index;
    std::string_view value;
};

std::variant<PortLine, NakReason> readPortLine(std::string_view line, int ports) {
    const std::size_t blank = line.find(' ');
    const std::optional<int> index = decimal(line.substr(0, blank));
    if (blank == std::string_view::npos || !index)
        return NakReason::MalformedLine;
    if (*index >= ports)
        return NakReason::IndexOutOfRange;
    return PortLine{*index, line.substr(blank + 1)};
}

// The UTF-8 sequence at the start of text: its code point and length; nothing for a stray
// continuation byte, a cut sequence, an overlong form, a surrogate or a point past U+10FFFF.
std::optional<std::pair<char32_t, std::size_t>> nextCodePoint(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 1;
    char32_t point = lead;
    char32_t lowest = 0;
    if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, point = lead & 0x07, lowest = 0x10000;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, point = lead & 0x0F, lowest = 0x800;
    else if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, point = lead & 0x1F, lowest = 0x80;
    else if (lead >= 0x80)
        return std::nullopt;
    if (text.size() < length)
        return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80)
            return std::nullopt;
        point = point << 6 | (byte & 0x3F);
    }
    if (point < lowest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
        return std::nullopt;
    return std::pair{point, length};
}

// A label is UTF-8 without control characters (C0, DEL, C1) and at most kMaxLabel code points.
std::optional<NakReason> labelProblem(std::string_view text) {
    std::size_t count = 0;
    while (!text.empty()) {
        const auto next = nextCodePoint(text);
        if (!next || next->first < 0x20 || (next->first >= 0x7F && next->first <= 0x9F))
            return NakReason::BadLabel;
        text.remove_prefix(next->second);
        ++count;
    }
    if (count > kMaxLabel)
        return NakReason::LabelTooLong;
    return std::nullopt;
}

std::optional<LockAction> lockAction(std::string_view letter) {
    if (letter == "O")
        return LockAction::Own;
    if (letter == "U")
        return LockAction::Release;
    if (letter == "F")
        return LockAction::Force;
    return std::nullopt;
}

Request decodeRouting(const Block &block, RouterSize size) {
    RouteRequest request;
    for (std::size_t n = 0; n < block.lines.size(); ++n) {
        const auto port = readPortLine(block.lines[n], size.outputs);
        if (const auto *reason = std::get_if<NakReason>(&port))
            return Malformed{*reason, n};
        const auto [output, value] = std::get<PortLine>(port);
        const std::optional<int> input = decimal(value);
        if (!input)
            return Malformed{NakReason::MalformedLine, n};
        if (*input >= size.inputs)
            return Malformed{NakReason::InputOutOfRange, n};
        request.routes.push_back({output, *input});
    }
    return request;
}

Request decodeLabels(const Block &block, PortSide side, int ports) {
    LabelRequest request{side, {}};
    for (std::size_t n = 0; n < block.lines.size(); ++n) {
        const auto port = readPortLine(block.lines[n], ports);
        if (const auto *reason = std::get_if<NakReason>(&port))
            return Malformed{*reason, n};
        const auto [index, text] = std::get<PortLine>(port);
        if (const auto reason = labelProblem(text))
            return Malformed{*reason, n};
        request.labels.push_back({index, std::string(text)});
    }
    return request;
}

Request decodeLocks(const Block &block, int outputs) {
    LockRequest request;
    for (std::size_t n = 0; n < block.lines.size(); ++n) {
        const auto port = readPortLine(block.lines[n], outputs);
        if (const auto *reason = std::get_if<NakReason>(&port))
            return Malformed{*reason, n};
        const auto [output, letter] = std::get<PortLine>(port);
        const std::optional<LockAction> action = lockAction(letter);
        if (!action)
            return Malformed{NakReason::BadLockLetter, n};
        request.locks.push_back({output, *action});
    }
    return request;
}

} // namespace

Request decodeRequest(const Block &block, RouterSize size) {
    if (block.header == kPingHeader)
        return Ping{};
    // Everything else a client may send is one of the status blocks; the rest is ignored, including
    // the preamble and device blocks, which only a server sends, and blocks for monitoring outputs,
    // serial ports, processing units or frame buffers, which a Korvex switcher does not have.
    const std::optional<StatusBlock> kind = statusBlockNamed(block.header);
    if (!kind)
        return Ignored{};
    if (block.lines.empty())
        return BlockQuery{*kind};
    switch (*kind) {
    case StatusBlock::InputLabels:
        return decodeLabels(block, PortSide::Input, size.inputs);
    case StatusBlock::OutputLabels:
        return decodeLabels(block, PortSide::Output, size.outputs);
    case StatusBlock::OutputLocks:
        return decodeLocks(block, size.outputs);
    case StatusBlock::OutputRouting:
        return decodeRouting(block, size);
    }
    return Ignored{};
}

} // namespace videohub
