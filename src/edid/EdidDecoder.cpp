#include "edid/EdidDecoder.h"

#include "edid/EdidDataBlocks.h"
#include "edid/EdidNames.h"
#include "edid/EdidTiming.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace edid {

namespace {

constexpr const char *kEol = "\r\n";

// Base-block descriptor slots: the preferred timing, then the three others.
constexpr std::size_t kPreferredTiming = 54;
constexpr std::array<std::size_t, 3> kOtherDescriptors = {72, 90, 108};
constexpr std::size_t kDescriptorSize = 18;

// Display descriptors are found by their 00 00 00 <tag> prefix at any offset from 54 to 108.
constexpr std::size_t kFirstScanOffset = 54;
constexpr std::size_t kLastScanOffset = 108;
constexpr std::uint8_t kProductNameTag = 0xFC;
constexpr std::uint8_t kRangeLimitsTag = 0xFD;
constexpr std::size_t kProductNameSize = 13;

bool isDisplayDescriptor(const EdidImage &image, std::size_t i, std::uint8_t tag) {
    return image[i] == 0 && image[i + 1] == 0 && image[i + 2] == 0 && image[i + 3] == tag;
}

// A short video descriptor names its VIC in the low seven bits; bit 7 is the native flag.
const char *svdName(std::uint8_t svd) {
    return vicName(svd & 0x7F);
}
bool isNative(std::uint8_t svd) {
    return (svd & 0x80) != 0;
}

} // namespace

void EdidDecoder::Decode(const EdidImage &image, int section) {
    switch (section) {
    case kVideo:
        decodeVideo(image);
        break;
    case kAudio:
        decodeAudio(image);
        break;
    case kGeneral:
        decodeGeneral(image);
        break;
    default:
        break;
    }
}

void EdidDecoder::decodeAll(const EdidImage &image) {
    clearTexts();
    Decode(image, kVideo);
    Decode(image, kAudio);
    Decode(image, kGeneral);
}

void EdidDecoder::clearTexts() {
    m_video.clear();
    m_audio.clear();
    m_general.clear();
}

// ---- Video text ----

void EdidDecoder::decodeVideo(const EdidImage &image) {
    appendPreferredAndDetailedTimings(image);
    if (hasCeaExtension(image)) {
        appendExtensionTimings(image);
        appendShortVideoDescriptors(image);
    }
}

void EdidDecoder::appendPreferredAndDetailedTimings(const EdidImage &image) {
    // The preferred slot is printed whatever it holds; the interlaced form carries a blank before
    // the line end.
    const DetailedTiming preferred = parseDetailedTiming(image, kPreferredTiming);
    m_video += "Preferred Timing:" + formatTiming(preferred) + (preferred.interlaced ? " " : "") + kEol;

    for (std::size_t offset : kOtherDescriptors) {
        if (isListedTiming(image, offset))
            m_video += "Detailed Timing:" + formatTiming(parseDetailedTiming(image, offset)) + kEol;
    }
}

void EdidDecoder::appendExtensionTimings(const EdidImage &image) {
    const std::size_t d = detailedTimingsOffset(image);
    if (d < 4 || d > 126)
        return;
    // Every slot that ends before the checksum byte is looked at, also after an empty one.
    unsigned number = 0;
    for (std::size_t offset = d; offset + kDescriptorSize <= kExtensionChecksum; offset += kDescriptorSize) {
        const std::size_t at = kExtensionStart + offset;
        if (!isListedTiming(image, at))
            continue;
        ++number;
        m_video += "Extension Detailed Timing" + std::to_string(number) + ":" +
                   formatTiming(parseDetailedTiming(image, at)) + kEol;
    }
}

void EdidDecoder::appendShortVideoDescriptors(const EdidImage &image) {
    m_video += kEol;
    m_video += "Short Video Descripter";
    m_video += kEol;
    for (std::uint8_t svd : shortVideoDescriptors(image)) {
        const char *name = svdName(svd);
        if (!name)
            continue;
        m_video += name;
        if (isNative(svd))
            m_video += "  Native";
        m_video += kEol;
    }
}

// ---- Audio text ----

void EdidDecoder::decodeAudio(const EdidImage &image) {
    const auto block = findFirstBlock(image, kAudioTag);
    if (block && block->length >= 2) {
        for (unsigned k = 1; k < block->length; k += 3) {
            // The last descriptor may reach past the block into whatever follows it, but never past
            // the image.
            if (block->header + k + 2 >= kEdidImageSize)
                break;
            const unsigned s1 = image[block->header + k];
            const unsigned s2 = image[block->header + k + 1];
            const unsigned s3 = image[block->header + k + 2];

            m_audio += std::string("Audio Format:") + audioFormatName((s1 >> 3) & 0x0F) + kEol;
            m_audio += "Audio Channel(s):" + std::to_string((s1 & 7) + 1) + kEol;
            m_audio += "Sample Frequency:";
            m_audio += kEol;
            // Highest rate first.
            for (unsigned bit = 7; bit-- > 0;) {
                if (s2 & (1u << bit))
                    m_audio += std::string(sampleRateName(bit)) + kEol;
            }
            if (s3 & 7) {
                m_audio += "Sample Bit:";
                m_audio += kEol;
                for (unsigned bit = 3; bit-- > 0;) {
                    if (s3 & (1u << bit))
                        m_audio += std::string(sampleSizeName(bit)) + " " + kEol;
                }
                m_audio += kEol;
            }
            m_audio += kEol;
        }
    }
    m_audio += kEol;
}

// ---- General text ----

void EdidDecoder::decodeGeneral(const EdidImage &image) {
    m_general += kEol;
    appendManufacturer(image);
    m_general += "Product Code:" + std::to_string(image[10] + 256u * image[11]) + kEol;
    m_general += std::string("Video Signal Interface:") + ((image[20] & 0x80) ? "Digtal" : "Analog") + kEol;
    m_general += "Color Bit Depth:Reserved";
    m_general += kEol;
    appendProductName(image);
    appendRangeLimits(image);
    if (hasCeaExtension(image)) {
        appendExtensionSupport(image);
        appendNativeTimings(image);
        appendDeepColour(image);
        appendHdmiVideo(image);
        appendYcbcr420(image);
    }
    m_general += kEol;
}

void EdidDecoder::appendManufacturer(const EdidImage &image) {
    // Three 5-bit letters, 1 = 'A'; the top bit of byte 8 is kept in the first letter.
    const unsigned b8 = image[8];
    const unsigned b9 = image[9];
    m_general += "Manufacture's Name:";
    m_general += static_cast<char>(0x40 + ((b8 >> 2) & 0x3F));
    m_general += static_cast<char>(0x40 + ((b8 & 3) * 8 + (b9 >> 5)));
    m_general += static_cast<char>(0x40 + (b9 & 0x1F));
    m_general += kEol;
}

void EdidDecoder::appendProductName(const EdidImage &image) {
    // One field for every match: a later name overwrites an earlier one only as far as it reaches.
    std::array<char, kProductNameSize> field;
    field.fill(' ');
    bool found = false;
    for (std::size_t i = kFirstScanOffset; i <= kLastScanOffset; ++i) {
        if (!isDisplayDescriptor(image, i, kProductNameTag))
            continue;
        found = true;
        for (std::size_t n = 0; n < kProductNameSize; ++n) {
            const std::uint8_t c = image[i + 5 + n];
            if (c == 0x0A)
                break;
            field[n] = static_cast<char>(c);
        }
    }
    if (!found)
        return;
    // A NUL in the field ends the printed name.
    std::size_t printed = 0;
    while (printed < field.size() && field[printed] != '\0')
        ++printed;
    m_general += "Display Product Name:" + std::string(field.data(), printed) + kEol;
}

void EdidDecoder::appendRangeLimits(const EdidImage &image) {
    for (std::size_t i = kFirstScanOffset; i <= kLastScanOffset; ++i) {
        if (!isDisplayDescriptor(image, i, kRangeLimitsTag))
            continue;
        m_general += "Vertical Rate:" + std::to_string(image[i + 5]) + "Hz--" + std::to_string(image[i + 6]) +
                     "Hz" + kEol;
        m_general += "Horizontal Rate:" + std::to_string(image[i + 7]) + "KHz--" +
                     std::to_string(image[i + 8]) + "KHz" + kEol;
        m_general += "Maximum Pixel Clock:" + std::to_string(image[i + 9] * 10u) + "MHz" + kEol;
    }
}

void EdidDecoder::appendExtensionSupport(const EdidImage &image) {
    const unsigned support = image[kExtensionStart + 3];
    if ((support & 0x70) == 0)
        return;
    m_general += "Extension Device Support:";
    m_general += kEol;
    if (support & 0x40)
        m_general += std::string("Base Audio") + kEol;
    if (support & 0x20)
        m_general += std::string("YCbCr4:4:4") + kEol;
    if (support & 0x10)
        m_general += std::string("YCbCr4:2:2") + kEol;
    m_general += kEol;
}

void EdidDecoder::appendNativeTimings(const EdidImage &image) {
    unsigned native = 0;
    for (std::uint8_t svd : shortVideoDescriptors(image)) {
        if (isNative(svd))
            ++native;
    }
    m_general += "Native Timings:" + std::to_string(native) + kEol;
}

void EdidDecoder::appendDeepColour(const EdidImage &image) {
    // The first vendor-specific block is taken as the HDMI one; its identifier is not checked.
    const auto block = findFirstBlock(image, kVendorTag);
    const unsigned flags = (block && block->length >= 6) ? block->at(image, 6) : 0;
    if (flags & 0x70) {
        m_general += "Deep Color:";
        m_general += kEol;
        if (flags & 0x40)
            m_general += "48Bit ";
        if (flags & 0x20)
            m_general += "36Bit ";
        if (flags & 0x10)
            m_general += "30Bit ";
        m_general += kEol;
    }
    m_general += (flags & 0x08) ? "YCbCr444 DeepColor:support" : "YCbCr444 DeepColor:not support";
    m_general += kEol;
}

void EdidDecoder::appendHdmiVideo(const EdidImage &image) {
    bool has3d = false;
    std::vector<std::uint8_t> hdmiVics;
    bool listVics = false;

    const auto block = findFirstBlock(image, kVendorTag);
    if (block && block->length >= 8 && (block->at(image, 8) & 0x20)) {
        // Optional latency fields come first; fields past the block's own length are absent.
        const unsigned flags = block->at(image, 8);
        unsigned p = 9;
        if (flags & 0x80)
            p += 2;
        if (flags & 0x40)
            p += 2;
        if (p <= block->length)
            has3d = (block->at(image, p) & 0x80) != 0;
        if (p + 1 <= block->length) {
            const unsigned count = block->at(image, p + 1) >> 5;
            listVics = count != 0;
            for (unsigned k = p + 2; k < p + 2 + count && k <= block->length; ++k)
                hdmiVics.push_back(block->at(image, k));
        }
    }

    m_general += has3d ? "3D video:support" : "3D video:not support";
    m_general += kEol;
    m_general += kEol;
    if (!listVics)
        return;
    m_general += "Extended Resolution(4Kx2K):";
    m_general += kEol;
    for (std::uint8_t vic : hdmiVics) {
        switch (vic) {
        case 1:
            m_general += std::string("4Kx2K@30Hz") + kEol;
            break;
        case 2:
            m_general += std::string("4Kx2K@25Hz") + kEol;
            break;
        case 3:
            m_general += std::string("4Kx2K@24Hz") + kEol;
            break;
        case 4:
            m_general += std::string("4Kx2K@24Hz(SMPTE)") + kEol;
            break;
        default:
            break;
        }
    }
}

void EdidDecoder::appendYcbcr420(const EdidImage &image) {
    // Only the first extended-tag block is examined, whatever its code. One of length 0 has no code.
    const auto block = findFirstBlock(image, kExtendedTag);
    if (!block || block->length == 0)
        return;
    const unsigned code = block->at(image, 1);

    if (code == 14) {
        // Video formats that are only supported as YCbCr 4:2:0.
        m_general += "\r\nY420VDB Descripter :\r\n";
        for (unsigned k = 2; k <= block->length; ++k) {
            if (const char *name = svdName(block->at(image, k)))
                m_general += std::string(name) + kEol;
        }
    } else if ((code & 0x1F) == 15) {
        // A bit map over the video data block's SVDs that also support YCbCr 4:2:0.
        m_general += "\r\nY420CMDB Descripter :\r\n";
        if (block->length == 1) {
            m_general += "All SVDs do support YUV420\r\n";
            return;
        }
        const std::vector<std::uint8_t> svds = shortVideoDescriptors(image);
        for (unsigned k = 2; k <= block->length; ++k) {
            const unsigned map = block->at(image, k);
            for (unsigned bit = 0; bit < 8; ++bit) {
                if (!(map & (1u << bit)))
                    continue;
                const std::size_t svd = 8 * (k - 2) + bit;
                if (svd >= svds.size())
                    continue;
                if (const char *name = svdName(svds[svd]))
                    m_general += std::string(name) + kEol;
            }
        }
    }
}

} // namespace edid
