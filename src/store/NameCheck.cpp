#include "store/NameCheck.h"

#include <cstdint>
#include <cstdio>

namespace store {

namespace {

struct Decoded {
    char32_t codePoint = 0;
    std::size_t length = 0; // 0: not well-formed
    const char *problem = nullptr;
};

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Decodes the sequence at bytes[at] in full first, then judges its value, so that an overlong form
// or a surrogate is named as such rather than as a bad byte.
Decoded decodeAt(std::string_view bytes, std::size_t at) {
    const unsigned char lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80)
        return {lead, 1, nullptr};
    if (isContinuation(lead))
        return {0, 0, "a continuation byte without a lead byte"};
    std::size_t length = 0;
    char32_t value = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, smallest = 0x10000;
    } else {
        return {0, 0, "a byte that never occurs in UTF-8"};
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (at + i >= bytes.size() || !isContinuation(static_cast<unsigned char>(bytes[at + i])))
            return {0, 0, "an incomplete sequence"};
        value = (value << 6) | (static_cast<unsigned char>(bytes[at + i]) & 0x3F);
    }
    if (value < smallest)
        return {0, 0, "an overlong encoding"};
    if (value >= 0xD800 && value <= 0xDFFF)
        return {0, 0, "an encoded surrogate"};
    if (value > 0x10FFFF)
        return {0, 0, "a value beyond U+10FFFF"};
    return {value, length, nullptr};
}

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

std::string invalidUtf8(std::size_t at, const char *problem) {
    return "not valid UTF-8: " + std::string(problem) + " at byte " + std::to_string(at + 1);
}

} // namespace

std::string utf8Problem(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const Decoded d = decodeAt(bytes, at);
        if (d.length == 0)
            return invalidUtf8(at, d.problem);
        at += d.length;
    }
    return {};
}

std::string validUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const Decoded d = decodeAt(bytes, at);
        if (d.length == 0) {
            out += "\xEF\xBF\xBD";
            ++at;
        } else {
            out.append(bytes.substr(at, d.length));
            at += d.length;
        }
    }
    return out;
}

std::string checkName(std::string_view name) {
    int count = 0;
    for (std::size_t at = 0; at < name.size();) {
        const Decoded d = decodeAt(name, at);
        if (d.length == 0)
            return "The name is " + invalidUtf8(at, d.problem) + ".";
        ++count;
        if (isControl(d.codePoint)) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(d.codePoint));
            return "The name contains a control character (" + std::string(code) + ") at character " +
                   std::to_string(count) + ".";
        }
        at += d.length;
    }
    if (count > kMaxNameLength)
        return "The name has " + std::to_string(count) + " characters; at most " +
               std::to_string(kMaxNameLength) + " are allowed.";
    return {};
}

} // namespace store
