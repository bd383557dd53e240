#include "protocol/TextPrefix.h"

namespace protocol {

std::optional<std::string> addressPrefix(std::uint8_t device) {
    if (device > kMaxDeviceAddress)
        return std::nullopt;
    return std::string{'A', static_cast<char>('0' + device / 10), static_cast<char>('0' + device % 10), ' '};
}

bool needsPrefix(std::string_view text, std::size_t i) {
    if (i == 0 || i >= text.size() || text[i - 1] != '\n')
        return false;
    const auto byte = static_cast<unsigned char>(text[i]);
    return byte >= 0x20 && byte <= 0x7E && byte != 'A';
}

std::optional<std::string> prefixText(std::string_view text, std::uint8_t device, std::size_t limit) {
    std::size_t lines = 0;
    for (std::size_t i = 1; i < text.size(); ++i)
        lines += needsPrefix(text, i) ? 1 : 0;
    if (lines == 0)
        return text.size() <= limit ? std::optional<std::string>(std::string(text)) : std::nullopt;

    const std::optional<std::string> prefix = addressPrefix(device);
    if (!prefix || text.size() + lines * prefix->size() > limit)
        return std::nullopt;

    std::string out;
    out.reserve(text.size() + lines * prefix->size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (needsPrefix(text, i))
            out += *prefix;
        out += text[i];
    }
    return out;
}

std::optional<std::uint8_t> addressedDevice(std::string_view bytes) {
    constexpr std::size_t kFrameDeviceByte = 6; // AA 06 00, two length bytes, the group, the device
    if (bytes.size() > kFrameDeviceByte && static_cast<unsigned char>(bytes[0]) == 0xAA && bytes[1] == 0x06 &&
        bytes[2] == 0x00)
        return static_cast<std::uint8_t>(bytes[kFrameDeviceByte]);
    std::optional<std::uint8_t> device;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const auto digit = [&line](std::size_t i) { return line[i] >= '0' && line[i] <= '9'; };
        if (line.size() >= 4 && line[0] == 'A' && digit(1) && digit(2) && line[3] == ' ')
            device = static_cast<std::uint8_t>((line[1] - '0') * 10 + (line[2] - '0'));
        else if (!line.empty())
            device = 0;
        start = end + 1;
    }
    return device;
}

} // namespace protocol
