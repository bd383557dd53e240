#include "wall/WallPreset.h"

#include "files/ListLabel.h"

namespace wall {

unsigned GridRows(uint16_t gridCode) {
    return (gridCode / 10u) % 10u;
}

unsigned GridColumns(uint16_t gridCode) {
    return gridCode % 10u;
}

std::string PresetListText(int n, const WallPreset &preset) {
    std::string text = files::ListLabel(n);
    text += static_cast<char>('0' + GridRows(preset.gridCode));
    text += 'x';
    text += static_cast<char>('0' + GridColumns(preset.gridCode));
    return text + ": " + preset.description;
}

} // namespace wall
