#include "edid/EdidSummary.h"

namespace edid {

namespace {

// Appends the line piece that starts at the key's first occurrence; returns whether the key occurs.
bool appendFrom(std::string &summary, const std::string &text, const char *key) {
    const std::size_t start = text.find(key);
    if (start == std::string::npos)
        return false;
    const std::size_t lf = text.find('\n', start);
    const std::size_t end = lf == std::string::npos ? text.size() : lf + 1;
    summary.append(text, start, end - start);
    return true;
}

} // namespace

std::string summarizeEdid(const std::string &videoText, const std::string &audioText,
                          const std::string &generalText) {
    std::string summary;
    appendFrom(summary, generalText, "Manufacture's Name");
    appendFrom(summary, generalText, "Maximum Pixel Clock");
    appendFrom(summary, generalText, "3D video");
    appendFrom(summary, videoText, "Preferred Timing");
    appendFrom(summary, videoText, "Detailed Timing");
    if (appendFrom(summary, audioText, "Audio Format"))
        appendFrom(summary, audioText, "Audio Channel");
    return summary;
}

} // namespace edid
