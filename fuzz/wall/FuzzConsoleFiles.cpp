// Feeds arbitrary bytes to the readers of both console files and to the capture-rectangle
// computation, all in memory. Besides not crashing: the reader of a file's bytes (what the console's
// loaders use) and the stream reader must make the same table of them, and whatever a reader makes
// of the bytes must survive being written and read back unchanged.
#include "address/AddressFile.h"
#include "wall/ComputeCaptureRects.h"
#include "wall/LayoutFile.h"
#include "wall/PanelCommand.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>

namespace {

// The written form of a table, read back, must be that table. Formatting and reading back 32 presets
// is two thirds of the time an input takes, so one input in eight (by its length, so that a finding
// replays) checks it; the readers themselves see every input.
template <typename Table, typename Format, typename Read>
void checkRoundTrip(std::size_t inputSize, const Table &table, Format format, Read read) {
    if (inputSize % 8 != 0)
        return;
    Table back;
    read(format(table), back);
    if (!(back == table))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);

    wall::PresetTable presets;
    {
        const bool complete = wall::readLayout(bytes, presets);
        wall::PresetTable streamed;
        std::istringstream in{std::string(bytes)};
        if (wall::readLayout(in, streamed) != complete || !(streamed == presets))
            std::abort();
        checkRoundTrip(
            size, presets, wall::formatLayoutFile,
            [](const std::string &text, wall::PresetTable &back) { wall::readLayout(text, back); });
    }
    {
        address::AddressTable table;
        address::readAddressTable(bytes, table);
        address::AddressTable streamed;
        std::istringstream in{std::string(bytes)};
        address::readAddressTable(in, streamed);
        if (!(streamed == table))
            std::abort();
        checkRoundTrip(size, table, address::formatAddressFile,
                       [](const std::string &text, address::AddressTable &back) {
                           address::readAddressTable(text, back);
                       });
    }
    if (size >= 22) {
        wall::PanelArrangement arrangement;
        std::memcpy(&arrangement.panelWidth, data, 4);
        std::memcpy(&arrangement.panelHeight, data + 4, 4);
        std::memcpy(&arrangement.overscan, data + 8, 4);
        std::memcpy(&arrangement.vGap, data + 12, 4);
        std::memcpy(&arrangement.hGap, data + 16, 4);
        wall::WallPreset &preset = presets.presets[0];
        wall::ComputeCaptureRects(arrangement, data[20] % 8, data[21] % 8, preset);
        for (const wall::WallPanel &panel : preset.panels) {
            const wall::PanelCommand command = wall::buildPanelCommand(panel);
            if (command.ok() != (command.line.size() == wall::kPanelCommandLength))
                std::abort();
        }
    }
    return 0;
}
