#pragma once

#include "edid/EdidImage.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The CEA-861 extension block: where it is, and its data block collection.
namespace edid {

inline constexpr std::size_t kExtensionStart = 128;
// Extension offset of the checksum byte; nothing the decoder uses lies at or past it.
inline constexpr std::size_t kExtensionChecksum = 127;

enum BlockTag : unsigned { kAudioTag = 1, kVideoTag = 2, kVendorTag = 3, kExtendedTag = 7 };

// One data block: header at image byte `header`, `length` payload bytes after it. Blocks are only
// ever made whole, so every block byte 0..length lies inside the image.
struct DataBlock {
    std::size_t header = 0;
    unsigned length = 0;

    // Block byte k (0 is the header); k must be at most length.
    std::uint8_t at(const EdidImage &image, unsigned k) const { return image[header + k]; }
};

// Byte 126 (extension count) non-zero and byte 128 (extension tag) equal to 2.
bool hasCeaExtension(const EdidImage &image);

// Extension byte 2: where the extension's detailed timings begin.
unsigned detailedTimingsOffset(const EdidImage &image);

// The first block with this tag met by walking the collection from extension offset 4 while the
// offset is below both d and the checksum byte. A block whose payload would reach past the image
// ends the walk unfound. Nothing without a CEA extension.
std::optional<DataBlock> findFirstBlock(const EdidImage &image, unsigned tag);

// The short video descriptor bytes of the first video data block, in order (empty without one).
std::vector<std::uint8_t> shortVideoDescriptors(const EdidImage &image);

} // namespace edid
