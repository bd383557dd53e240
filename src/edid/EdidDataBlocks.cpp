#include "edid/EdidDataBlocks.h"

namespace edid {

bool hasCeaExtension(const EdidImage &image) {
    return image[126] != 0 && image[kExtensionStart] == 2;
}

unsigned detailedTimingsOffset(const EdidImage &image) {
    return image[kExtensionStart + 2];
}

std::optional<DataBlock> findFirstBlock(const EdidImage &image, unsigned tag) {
    if (!hasCeaExtension(image))
        return std::nullopt;
    const std::size_t d = detailedTimingsOffset(image);
    std::size_t offset = 4;
    while (offset < d && offset < kExtensionChecksum) {
        const std::uint8_t header = image[kExtensionStart + offset];
        const unsigned length = header & 0x1F;
        if (offset + length > kExtensionChecksum)
            return std::nullopt; // would run past byte 255
        if (static_cast<unsigned>(header >> 5) == tag)
            return DataBlock{kExtensionStart + offset, length};
        offset += length + 1;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> shortVideoDescriptors(const EdidImage &image) {
    std::vector<std::uint8_t> svds;
    if (const auto block = findFirstBlock(image, kVideoTag)) {
        for (unsigned k = 1; k <= block->length; ++k)
            svds.push_back(block->at(image, k));
    }
    return svds;
}

} // namespace edid
