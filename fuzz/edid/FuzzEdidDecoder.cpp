// Feeds arbitrary bytes to the EDID decoder the way a .bin file reaches it, decodes every section and
// summarises. The image lives alone on the heap so AddressSanitizer catches any read past byte 255.

#include "edid/EdidDecoder.h"
#include "edid/EdidFile.h"
#include "edid/EdidSummary.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const auto image = std::make_unique<EdidImage>(
        EdidImageFromBytes(std::string_view(reinterpret_cast<const char *>(data), size)));

    static EdidDecoder decoder;
    decoder.DecodeAll(*image);
    const std::string summary =
        SummarizeEdid(decoder.VideoText(), decoder.AudioText(), decoder.GeneralText());
    if (summary.size() >
        decoder.VideoText().size() + decoder.AudioText().size() + decoder.GeneralText().size())
        __builtin_trap();

    // Section values outside 0..2 leave the texts alone.
    const std::string before = decoder.VideoText() + decoder.AudioText() + decoder.GeneralText();
    decoder.Decode(*image, -1);
    decoder.Decode(*image, 3);
    if (decoder.VideoText() + decoder.AudioText() + decoder.GeneralText() != before)
        __builtin_trap();
    return 0;
}
