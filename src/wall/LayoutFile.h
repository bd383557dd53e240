#pragma once

#include "wall/PresetTable.h"

#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace wall {

inline constexpr const char *kLayoutFileName = "KorvexVW.ini";

// The file written when none exists: every preset 3 x 3, description one space, the frame tiled
// into 640 x 360 rectangles at panels 0-2, 6-8 and 12-14 (35,938 bytes).
std::string defaultLayoutFileContent();

// The file layout for a table: the grid-code line, 32 starred description lines, then 1,152 panel
// lines "AA PP RRR XXXX YYYY XXXX YYYY" with CR LF. Numbers are zero-padded to their field width;
// one that does not fit is written whole, so the file still reads back to the same table.
std::string formatLayoutFile(const PresetTable &table);

// Reads grid codes, descriptions and panel records from the stream into the table, each number
// stored in its field's width. A number that cannot be read leaves its field unchanged.
// Descriptions are not reset here. Returns true when every grid code, description and panel number
// was read.
bool readLayout(std::istream &in, PresetTable &table);
// The same from the bytes of a whole file, as the file loaders below read it.
bool readLayout(std::string_view bytes, PresetTable &table);

// Start-up load: creates the default file when missing, sets every description to ten spaces,
// then reads. Returns the message texts to show, in order; empty when all went well.
std::vector<std::string> LoadLayoutFile(PresetTable &table, const std::string &path = kLayoutFileName);

// Stores the table in the same layout, replacing the old file only once the new one is complete.
// Returns the message texts to show, in order; empty when the file was written.
std::vector<std::string> saveLayoutFile(const PresetTable &table, const std::string &path = kLayoutFileName);

// A preset file the operator chose, in the same layout. Loading replaces the table only when the
// file holds a whole table; otherwise the table is left as it was.
enum class PresetFileResult {
    Loaded,
    CannotOpen, // missing, a folder, or not readable
    Incomplete, // ends early or holds text where a number belongs
};
PresetFileResult loadPresetFile(PresetTable &table, const std::string &path);

// Writes the whole table to the chosen file, replacing it only once the new one is complete.
bool savePresetFile(const PresetTable &table, const std::string &path);

} // namespace wall
