#include "wall/LayoutFile.h"

#include "files/FileReplace.h"
#include "files/StarredDescription.h"
#include "files/TextScanner.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <type_traits>

namespace wall {

namespace {

constexpr const char *kCannotCreate = "There is no KorvexVW.ini and faild to create new empty ini file !";

void appendPanelLine(std::string &out, const WallPanel &p) {
    char line[96];
    std::snprintf(line, sizeof line, "%02u %02u %03d %04d %04d %04d %04d\r\n", unsigned{p.deviceAddress},
                  unsigned{p.outputPort}, int{p.rotation}, int{p.x1}, int{p.y1}, int{p.x2}, int{p.y2});
    out += line;
}

template <typename Field> bool readField(files::TextScanner &in, Field &field) {
    int value = 0;
    if (!in.readInt(value))
        return false;
    field = static_cast<Field>(value); // kept in the field's own width
    return true;
}

// A panel number that does not fit its field is never wrapped into it (300 would become switcher 44):
// it becomes a value no panel line accepts, 255 for the unsigned fields and -1 for the signed ones,
// so the panel is shown but refused when it would be sent.
template <typename Field> bool readPanelField(files::TextScanner &in, Field &field) {
    int value = 0;
    if (!in.readInt(value))
        return false;
    const bool fits =
        value >= std::numeric_limits<Field>::min() && value <= std::numeric_limits<Field>::max();
    field = fits ? static_cast<Field>(value) : static_cast<Field>(std::is_signed_v<Field> ? -1 : 255);
    return true;
}

// Reads a whole file; a folder of that name opens as a stream on Linux but cannot be read.
bool readWholeFile(const std::string &path, std::string &bytes) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

PresetTable defaultTable() {
    PresetTable table;
    for (auto &preset : table.presets) {
        preset.gridCode = 33;
        preset.description.assign(1, ' '); // (not = " ": g++ 12 gives a false -Wrestrict there)
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 3; ++column) {
                WallPanel &p = preset.panels[panelIndex(row, column)];
                p.x1 = static_cast<int16_t>(640 * column + 1);
                p.y1 = static_cast<int16_t>(360 * row + 1);
                p.x2 = static_cast<int16_t>(640 * (column + 1));
                p.y2 = static_cast<int16_t>(360 * (row + 1));
            }
        }
    }
    return table;
}

} // namespace

std::string defaultLayoutFileContent() {
    return formatLayoutFile(defaultTable());
}

std::string formatLayoutFile(const PresetTable &table) {
    std::string out;
    out.reserve(35938);
    for (const auto &preset : table.presets) {
        char code[16];
        std::snprintf(code, sizeof code, "%02u ", unsigned{preset.gridCode});
        out += code;
    }
    out += "\r\n";
    for (const auto &preset : table.presets)
        out += files::formatStarredLine(preset.description);
    for (const auto &preset : table.presets)
        for (const auto &panel : preset.panels)
            appendPanelLine(out, panel);
    return out;
}

namespace {

bool scanLayout(files::TextScanner &scanner, PresetTable &table) {
    bool complete = true;
    for (auto &preset : table.presets)
        complete = readField(scanner, preset.gridCode) && complete;

    bool lastCut = false;
    for (auto &preset : table.presets) {
        files::StarredDescription description = files::readStarredDescription(scanner);
        if (description.read)
            preset.description = std::move(description.text);
        complete = description.read && complete;
        lastCut = description.full;
    }
    // A long last description would otherwise leave its tail where the panel numbers are read,
    // and every panel record would stay unread.
    if (lastCut)
        files::skipRestOfLine(scanner);

    for (auto &preset : table.presets) {
        for (auto &p : preset.panels) {
            // Past the end every read fails and leaves its field as it is: no need to try them all.
            if (scanner.peekChar() == files::TextScanner::kEnd)
                return false;
            complete = readPanelField(scanner, p.deviceAddress) && complete;
            complete = readPanelField(scanner, p.outputPort) && complete;
            complete = readPanelField(scanner, p.rotation) && complete;
            complete = readPanelField(scanner, p.x1) && complete;
            complete = readPanelField(scanner, p.y1) && complete;
            complete = readPanelField(scanner, p.x2) && complete;
            complete = readPanelField(scanner, p.y2) && complete;
        }
    }
    return complete;
}

} // namespace

bool readLayout(std::istream &in, PresetTable &table) {
    files::TextScanner scanner(in);
    return scanLayout(scanner, table);
}

bool readLayout(std::string_view bytes, PresetTable &table) {
    files::TextScanner scanner(bytes);
    return scanLayout(scanner, table);
}

std::vector<std::string> LoadLayoutFile(PresetTable &table, const std::string &path) {
    std::vector<std::string> messages;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        messages = files::storeConsoleFile(path, defaultLayoutFileContent(), kCannotCreate);

    std::string bytes;
    const bool opened = readWholeFile(path, bytes);
    for (auto &preset : table.presets)
        preset.description = std::string(10, ' ');
    if (!opened) {
        messages.push_back("File read failed");
        return messages;
    }
    readLayout(bytes, table);
    return messages;
}

std::vector<std::string> saveLayoutFile(const PresetTable &table, const std::string &path) {
    return files::storeConsoleFile(path, formatLayoutFile(table), kCannotCreate);
}

PresetFileResult loadPresetFile(PresetTable &table, const std::string &path) {
    std::string bytes;
    if (!readWholeFile(path, bytes))
        return PresetFileResult::CannotOpen;
    PresetTable loaded = table;
    if (!readLayout(bytes, loaded))
        return PresetFileResult::Incomplete;
    table = std::move(loaded);
    return PresetFileResult::Loaded;
}

bool savePresetFile(const PresetTable &table, const std::string &path) {
    return files::replaceFileContent(path, formatLayoutFile(table));
}

} // namespace wall
