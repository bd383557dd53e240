// libFuzzer target for the EDID capture's line parser and file naming: any received line is either
// not a dump line or gives a whole 256-byte image, never reading past the line, and the next file
// name always has the stem, two digits and ".bin".

#include "edid/EdidCapture.h"

#include <algorithm>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    // A copy of exactly the input's bytes, so reading one past the line is caught.
    const std::string line(reinterpret_cast<const char *>(data), size);
    const std::string_view view(line);
    const bool dump = edid::isEdidDumpLine(view);
    const edid::EdidImage image = edid::parseEdidDump(view);
    if (!dump && view.find("DATA ") == std::string_view::npos) {
        for (std::uint8_t b : image)
            if (b != 0xFF)
                __builtin_trap(); // no "DATA ": nothing may be read
    }
    // The input's length chooses how many numbered files already exist, the port kind and number.
    // The name depends on nothing else, so each of those 1,818 cases is checked once.
    static std::bitset<101 * 2 * 9> checked;
    if (checked.test(size % checked.size()))
        return 0;
    checked.set(size % checked.size());
    const std::size_t taken = size % 101;
    const std::string stem = edid::edidCaptureStem(
        size % 2 ? edid::EdidPortKind::Output : edid::EdidPortKind::Input, 1 + size % 9);
    std::vector<std::string> existing;
    for (std::size_t n = 0; n < taken; ++n)
        existing.push_back(edid::edidCaptureFileName(stem, static_cast<int>(n)));
    const std::string name = edid::nextEdidCaptureFileName(stem, [&](const std::string &candidate) {
        return std::find(existing.begin(), existing.end(), candidate) != existing.end();
    });
    if (name.size() != stem.size() + 6 || name.compare(0, stem.size(), stem) != 0 ||
        name.compare(name.size() - 4, 4, ".bin") != 0)
        __builtin_trap();
    return 0;
}
