// Feeds arbitrary bytes to the readers of both console files and to the capture-rectangle
// computation. Besides not crashing, whatever a reader makes of the bytes must survive being
// written and read back unchanged.
#include "address/AddressFile.h"
#include "wall/ComputeCaptureRects.h"
#include "wall/LayoutFile.h"
#include "wall/PanelCommand.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string bytes(reinterpret_cast<const char *>(data), size);

    wall::PresetTable presets;
    {
        std::istringstream in(bytes);
        wall::ReadLayout(in, presets);
        std::istringstream again(wall::FormatLayoutFile(presets));
        wall::PresetTable back;
        wall::ReadLayout(again, back);
        if (!(back == presets))
            std::abort();
    }
    {
        AddressTable table;
        std::istringstream in(bytes);
        address::ReadAddressTable(in, table);
        std::istringstream again(address::FormatAddressFile(table));
        AddressTable back;
        address::ReadAddressTable(again, back);
        if (!(back == table))
            std::abort();
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
            const wall::PanelCommand command = wall::BuildPanelCommand(panel);
            if (command.ok() != (command.line.size() == wall::kPanelCommandLength))
                std::abort();
        }
    }
    return 0;
}
