#include "edid/EdidSummary.h"

namespace edid {

namespace {

// Appends the line piece that starts at the key's first occurrence; returns whether the key occurs.
bool AppendFrom(std::string &summary, const std::string &text, const char *key) {
    const std::size_t start = text.find(key);
    if (start == std::string::npos)
        return false;
    const std::size_t lf = text.find('\n', start);
    const std::size_t end = lf == std::string::npos ? text.size() : lf + 1;
    summary.append(text, start, end - start);
    return true;
}

} // namespace

std::string SummarizeEdid(const std::string &videoText, const std::string &audioText,
                          const std::string &generalText) {
    std::string summary;
    AppendFrom(summary, generalText, "Manufacture's Name");
    AppendFrom(summary, generalText, "Maximum Pixel Clock");
    AppendFrom(summary, generalText, "3D video");
    AppendFrom(summary, videoText, "Preferred Timing");
    AppendFrom(summary, videoText, "Detailed Timing");
    if (AppendFrom(summary, audioText, "Audio Format"))
        AppendFrom(summary, audioText, "Audio Channel");
    return summary;
}

} // namespace edid
