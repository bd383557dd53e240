// Feeds arbitrary bytes to the EDID decoder the way a .bin file reaches it, decodes every section and
// summarises. The image lives alone on the heap so AddressSanitizer catches any read past byte 255.
// The same bytes also go through korvex-edid's input reader (raw or hex dump).

#include "edid/EdidDecoder.h"
#include "edid/EdidFile.h"
#include "edid/EdidInput.h"
#include "edid/EdidSummary.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    std::string bytes;
    std::string error;
    const bool read = edid::extractEdidBytes(input, bytes, error);
    if (read != error.empty() || (read && bytes.empty()))
        __builtin_trap(); // a success holds bytes and no reason, a failure gives one

    const auto image = std::make_unique<edid::EdidImage>(edid::edidImageFromBytes(input));

    static edid::EdidDecoder decoder;
    decoder.decodeAll(*image);
    const std::string summary =
        edid::summarizeEdid(decoder.videoText(), decoder.audioText(), decoder.generalText());
    if (summary.size() >
        decoder.videoText().size() + decoder.audioText().size() + decoder.generalText().size())
        __builtin_trap();

    // Section values outside 0..2 leave the texts alone.
    const std::string before = decoder.videoText() + decoder.audioText() + decoder.generalText();
    decoder.Decode(*image, -1);
    decoder.Decode(*image, 3);
    if (decoder.videoText() + decoder.audioText() + decoder.generalText() != before)
        __builtin_trap();
    return 0;
}
