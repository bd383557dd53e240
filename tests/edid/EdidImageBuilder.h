#pragma once

#include "edid/EdidImage.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace edidtest {

// Builds small EDID images for tests, starting from all zero bytes. Byte positions are image bytes
// unless a name says extension offset.
class ImageBuilder {
public:
    ImageBuilder() { m_image.fill(0); }

    ImageBuilder &bytes(std::size_t at, std::initializer_list<int> bytes);
    ImageBuilder &text(std::size_t at, const std::string &text);

    // An 18-byte detailed timing descriptor (pixel clock in 10 kHz units).
    ImageBuilder &timing(std::size_t at, unsigned clock, unsigned hActive, unsigned hBlanking,
                         unsigned vActive, unsigned vBlanking, bool interlaced = false);

    // Marks a CEA extension (byte 126 = 1, byte 128 = 2, revision 3) with this d and support byte.
    ImageBuilder &cea(unsigned d, unsigned support = 0);

    // Marks a CEA extension and lays the blocks (each given whole, header first) one after another
    // from extension offset 4; d is set just past the last one.
    ImageBuilder &blocks(std::initializer_list<std::vector<std::uint8_t>> blocks);

    const edid::EdidImage &image() const { return m_image; }
    operator const edid::EdidImage &() const { return m_image; }

private:
    edid::EdidImage m_image;
};

// A data block: header byte from tag and payload length, then the payload.
std::vector<std::uint8_t> block(unsigned tag, std::initializer_list<int> payload);
// A filler block (speaker allocation tag) of the given payload length, to move later blocks along.
std::vector<std::uint8_t> filler(unsigned length);

// Whole texts of one section of a fresh decoder.
std::string decoded(const edid::EdidImage &image, int section);

// CR LF for every LF, so expected texts can be written with plain line ends.
std::string crlf(const std::string &text);

// A hex dump of bytes: perLine pairs a line, each line starting with indent, pairs joined by sep.
std::string hexPairs(const std::string &bytes, std::size_t perLine = 16, const std::string &indent = "",
                     const std::string &sep = " ", bool upper = false);

} // namespace edidtest
