#include "protocol/TextPrefix.h"

namespace protocol {

std::optional<std::string> addressPrefix(std::uint8_t device) {
    if (device > 99)
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

} // namespace protocol
