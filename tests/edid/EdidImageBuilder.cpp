#include "EdidImageBuilder.h"

#include "edid/EdidDecoder.h"

#include <stdexcept>

namespace edidtest {

ImageBuilder &ImageBuilder::bytes(std::size_t at, std::initializer_list<int> bytes) {
    if (at + bytes.size() > m_image.size())
        throw std::out_of_range("test image bytes past byte 255");
    for (int b : bytes)
        m_image[at++] = static_cast<std::uint8_t>(b);
    return *this;
}

ImageBuilder &ImageBuilder::text(std::size_t at, const std::string &text) {
    if (at + text.size() > m_image.size())
        throw std::out_of_range("test image text past byte 255");
    for (char c : text)
        m_image[at++] = static_cast<std::uint8_t>(c);
    return *this;
}

ImageBuilder &ImageBuilder::timing(std::size_t at, unsigned clock, unsigned hActive, unsigned hBlanking,
                                   unsigned vActive, unsigned vBlanking, bool interlaced) {
    return bytes(at, {int(clock & 0xFF), int(clock >> 8), int(hActive & 0xFF), int(hBlanking & 0xFF),
                      int(((hActive >> 8) << 4) | (hBlanking >> 8)), int(vActive & 0xFF),
                      int(vBlanking & 0xFF), int(((vActive >> 8) << 4) | (vBlanking >> 8)), 0, 0, 0, 0, 0, 0,
                      0, 0, 0, interlaced ? 0x9E : 0x1E});
}

ImageBuilder &ImageBuilder::cea(unsigned d, unsigned support) {
    m_image[126] = 1;
    return bytes(128, {2, 3, int(d), int(support)});
}

ImageBuilder &ImageBuilder::blocks(std::initializer_list<std::vector<std::uint8_t>> blocks) {
    std::size_t at = 128 + 4;
    for (const auto &block : blocks) {
        if (at + block.size() > m_image.size())
            throw std::out_of_range("test blocks past byte 255");
        for (std::uint8_t b : block)
            m_image[at++] = b;
    }
    m_image[126] = 1;
    m_image[128] = 2;
    m_image[129] = 3;
    m_image[130] = static_cast<std::uint8_t>(at - 128);
    return *this;
}

std::vector<std::uint8_t> block(unsigned tag, std::initializer_list<int> payload) {
    std::vector<std::uint8_t> block{static_cast<std::uint8_t>((tag << 5) | payload.size())};
    for (int b : payload)
        block.push_back(static_cast<std::uint8_t>(b));
    return block;
}

std::vector<std::uint8_t> filler(unsigned length) {
    std::vector<std::uint8_t> block(length + 1, 0x01);
    block[0] = static_cast<std::uint8_t>((4u << 5) | length);
    return block;
}

std::string decoded(const edid::EdidImage &image, int section) {
    edid::EdidDecoder decoder;
    decoder.Decode(image, section);
    switch (section) {
    case 0:
        return decoder.videoText();
    case 1:
        return decoder.audioText();
    default:
        return decoder.generalText();
    }
}

std::string crlf(const std::string &text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

std::string hexPairs(const std::string &bytes, std::size_t perLine, const std::string &indent,
                     const std::string &sep, bool upper) {
    const char *digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text += (i % perLine == 0 ? indent : sep) + digits[byte >> 4] + digits[byte & 15];
        if (i % perLine == perLine - 1 || i + 1 == bytes.size())
            text += "\n";
    }
    return text;
}

} // namespace edidtest
