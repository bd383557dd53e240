#include "edid/EdidCapture.h"

#include <algorithm>
#include <optional>

namespace edid {

namespace {

// The switchers send their dumps in lower case; an upper-case letter does not start a pair.
std::optional<int> lowerHexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return std::nullopt;
}

// A dump is 256 pairs with one blank between them; anything beyond this many characters is not
// looked at.
constexpr std::size_t kScanLimit = 2000;

} // namespace

bool isEdidDumpLine(std::string_view line) {
    return line.find("EDID ") != std::string_view::npos && line.find("DATA ") != std::string_view::npos;
}

EdidImage parseEdidDump(std::string_view line) {
    EdidImage image;
    image.fill(0xFF);
    const std::size_t data = line.find("DATA ");
    if (data == std::string_view::npos)
        return image;
    line = line.substr(0, std::min(line.size(), kScanLimit));
    std::size_t pos = data + 5;
    for (std::uint8_t &byte : image) {
        while (pos < line.size() && !lowerHexValue(line[pos]))
            ++pos;
        if (pos + 1 >= line.size())
            break;
        const std::optional<int> low = lowerHexValue(line[pos + 1]);
        if (!low)
            break;
        byte = static_cast<std::uint8_t>(*lowerHexValue(line[pos]) << 4 | *low);
        pos += 2;
    }
    return image;
}

std::string edidCaptureStem(EdidPortKind kind, int port) {
    return std::string(kind == EdidPortKind::Output ? "Matrix_EDID_out" : "Matrix_EDID_inp") +
           std::to_string(port) + "_";
}

std::string edidCaptureFileName(const std::string &stem, int number) {
    std::string name = stem;
    name += static_cast<char>('0' + number / 10 % 10);
    name += static_cast<char>('0' + number % 10);
    return name + ".bin";
}

std::string nextEdidCaptureFileName(const std::string &stem,
                                    const std::function<bool(const std::string &)> &exists) {
    for (int number = 0; number < 99; ++number) {
        std::string name = edidCaptureFileName(stem, number);
        if (!exists(name))
            return name;
    }
    return edidCaptureFileName(stem, 99);
}

} // namespace edid
