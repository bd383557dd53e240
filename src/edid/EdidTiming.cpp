#include "edid/EdidTiming.h"

namespace edid {

DetailedTiming parseDetailedTiming(const EdidImage &image, std::size_t offset) {
    const auto b = [&](std::size_t i) -> unsigned { return image[offset + i]; };
    DetailedTiming t;
    t.pixelClock = b(0) + 256 * b(1);
    t.hActive = b(2) + 256 * (b(4) >> 4);
    t.hBlanking = b(3) + 256 * (b(4) & 0x0F);
    t.vActive = b(5) + 256 * (b(7) >> 4);
    t.vBlanking = b(6) + 256 * (b(7) & 0x0F);
    t.interlaced = (b(17) & 0x80) != 0;
    return t;
}

bool isListedTiming(const EdidImage &image, std::size_t offset) {
    return image[offset] != 0 && image[offset + 1] != 0;
}

unsigned refreshHz(const DetailedTiming &timing) {
    const unsigned hTotal = (timing.hActive + timing.hBlanking) % 65536;
    const unsigned vTotal = (timing.vActive + timing.vBlanking) % 65536;
    if (hTotal == 0 || vTotal == 0)
        return 0;
    // At most 655350000.5, so the truncation cannot overflow.
    return static_cast<unsigned>(timing.pixelClock * 10000.0 / hTotal / vTotal + 0.5);
}

unsigned printedVerticalSize(const DetailedTiming &timing) {
    return timing.interlaced ? (2 * timing.vActive) % 65536 : timing.vActive;
}

std::string formatTiming(const DetailedTiming &timing) {
    std::string text = std::to_string(timing.hActive) + "x" + std::to_string(printedVerticalSize(timing));
    if (timing.interlaced)
        text += "i";
    text += "@" + std::to_string(refreshHz(timing)) + "Hz";
    return text;
}

} // namespace edid
