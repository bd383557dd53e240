#include "wall/WallPreset.h"

#include "files/ListLabel.h"

namespace wall {

unsigned gridRows(uint16_t gridCode) {
    return (gridCode / 10u) % 10u;
}

unsigned gridColumns(uint16_t gridCode) {
    return gridCode % 10u;
}

std::string presetListText(int n, const WallPreset &preset) {
    std::string text = files::listLabel(n);
    text += static_cast<char>('0' + gridRows(preset.gridCode));
    text += 'x';
    text += static_cast<char>('0' + gridColumns(preset.gridCode));
    return text + ": " + preset.description;
}

} // namespace wall
