#include "wall/LayoutFile.h"
#include "wall/PanelCommand.h"

#include "TempDir.h"
#include "WallPrint.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <map>
#include <sstream>

using namespace wall;
using testsupport::readFile;
using testsupport::ScopedTempCwd;
using testsupport::writeFile;

namespace {

const std::string kCannotCreate = "There is no KorvexVW.ini and faild to create new empty ini file !";
const std::string kTenSpaces(10, ' ');
const std::string kEmptyPanelLine = "00 00 000 0000 0000 0000 0000\r\n";

std::string gridLine(const std::string &code = "33") {
    std::string line;
    for (int i = 0; i < 32; ++i)
        line += code + " ";
    return line + "\r\n";
}

std::string starLines(int count, const std::string &line = "* \r\n") {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += line;
    return out;
}

// The 36 lines of one default preset, written out as the file holds them.
std::string defaultPanelLines() {
    const std::map<int, std::string> tiles = {
        {0, "00 00 000 0001 0001 0640 0360"},  {1, "00 00 000 0641 0001 1280 0360"},
        {2, "00 00 000 1281 0001 1920 0360"},  {6, "00 00 000 0001 0361 0640 0720"},
        {7, "00 00 000 0641 0361 1280 0720"},  {8, "00 00 000 1281 0361 1920 0720"},
        {12, "00 00 000 0001 0721 0640 1080"}, {13, "00 00 000 0641 0721 1280 1080"},
        {14, "00 00 000 1281 0721 1920 1080"},
    };
    std::string out;
    for (int i = 0; i < 36; ++i)
        out += tiles.count(i) ? tiles.at(i) + "\r\n" : kEmptyPanelLine;
    return out;
}

// Every panel of every preset set to a recognisable value, so "unchanged" can be checked.
PresetTable markedTable() {
    PresetTable table;
    for (int p = 0; p < 32; ++p) {
        table.presets[p].gridCode = 11;
        table.presets[p].description = "old";
        for (auto &panel : table.presets[p].panels)
            panel = WallPanel{7, 7, 7, 7, 7, 7, 7};
    }
    return table;
}

TEST(LayoutFile, DefaultContentIsExactlyTheDocumentedFile) {
    const std::string content = defaultLayoutFileContent();
    EXPECT_EQ(content.size(), 35938u);
    std::string expected = gridLine() + starLines(32);
    for (int p = 0; p < 32; ++p)
        expected += defaultPanelLines();
    EXPECT_EQ(content, expected);
}

TEST(LayoutFile, MissingFileIsCreatedWithTheDefaultAndReadBack) {
    ScopedTempCwd cwd;
    PresetTable table = markedTable();
    EXPECT_TRUE(LoadLayoutFile(table).empty());
    EXPECT_EQ(readFile(kLayoutFileName), defaultLayoutFileContent());
    EXPECT_FALSE(std::filesystem::exists(std::string(kLayoutFileName) + ".tmp"));
    for (int p = 0; p < 32; ++p) {
        SCOPED_TRACE(p);
        const WallPreset &preset = table.presets[p];
        EXPECT_EQ(preset.gridCode, 33);
        EXPECT_EQ(preset.description, " ");
        EXPECT_EQ(gridRows(preset.gridCode), 3u);
        EXPECT_EQ(gridColumns(preset.gridCode), 3u);
        EXPECT_EQ(preset.panels[0], (WallPanel{0, 0, 0, 1, 1, 640, 360}));
        EXPECT_EQ(preset.panels[8], (WallPanel{0, 0, 0, 1281, 361, 1920, 720}));
        EXPECT_EQ(preset.panels[13], (WallPanel{0, 0, 0, 641, 721, 1280, 1080}));
        EXPECT_EQ(preset.panels[3], WallPanel{});
        EXPECT_EQ(preset.panels[35], WallPanel{});
    }
    EXPECT_EQ(presetListText(1, table.presets[0]), "No. 1:3x3:  ");
    EXPECT_EQ(presetListText(32, table.presets[31]), "No.32:3x3:  ");
}

TEST(LayoutFile, GridCodeDigitsGiveRowsAndColumns) {
    WallPreset preset;
    preset.gridCode = 23;
    preset.description = "Foyer";
    EXPECT_EQ(gridRows(preset.gridCode), 2u);
    EXPECT_EQ(gridColumns(preset.gridCode), 3u);
    EXPECT_EQ(presetListText(10, preset), "No.10:2x3: Foyer");
    EXPECT_EQ(gridRows(6), 0u);
    EXPECT_EQ(gridColumns(66), 6u);
}

// Descriptions of 0, 10 and 14 characters, a bare "*", and a 14-character one on the last preset:
// the panel records after it must still be read.
TEST(LayoutFile, DescriptionsKeepTenCharactersAndPanelsStillFollow) {
    std::string file = gridLine("23") + "*\r\n" + "*ABCDEFGHIJ\r\n" + "*ABCDEFGHIJKLMN\r\n" + "*Next\r\n" +
                       starLines(27) + "*Last preset!\r\n";
    for (int p = 0; p < 32; ++p)
        file += defaultPanelLines();
    std::istringstream in(file);
    PresetTable table = markedTable();
    readLayout(in, table);
    EXPECT_EQ(table.presets[0].description, "");
    EXPECT_EQ(table.presets[1].description, "ABCDEFGHIJ");
    EXPECT_EQ(table.presets[2].description, "ABCDEFGHIJ");
    EXPECT_EQ(table.presets[3].description, "Next");
    EXPECT_EQ(table.presets[30].description, " ");
    EXPECT_EQ(table.presets[31].description, "Last prese");
    EXPECT_EQ(table.presets[0].gridCode, 23);
    EXPECT_EQ(table.presets[0].panels[0], (WallPanel{0, 0, 0, 1, 1, 640, 360}));
    EXPECT_EQ(table.presets[31].panels[14], (WallPanel{0, 0, 0, 1281, 721, 1920, 1080}));
    EXPECT_EQ(table.presets[31].panels[35], WallPanel{});
}

TEST(LayoutFile, ShortFileLeavesEverythingItDoesNotHold) {
    ScopedTempCwd cwd;
    writeFile(kLayoutFileName, "22 44\r\n*Two\r\n* \r\n");
    PresetTable table = markedTable();
    EXPECT_TRUE(LoadLayoutFile(table).empty());
    EXPECT_EQ(table.presets[0].gridCode, 22);
    EXPECT_EQ(table.presets[1].gridCode, 44);
    EXPECT_EQ(table.presets[2].gridCode, 11);
    EXPECT_EQ(table.presets[0].description, "Two");
    EXPECT_EQ(table.presets[1].description, " ");
    EXPECT_EQ(table.presets[2].description, kTenSpaces);
    EXPECT_EQ(table.presets[0].panels[0], (WallPanel{7, 7, 7, 7, 7, 7, 7}));
}

TEST(LayoutFile, TextWhereANumberIsExpectedLeavesThatAndLaterFields) {
    std::string file =
        gridLine() + starLines(32) + "05 03 090 0641 0001 1280 0360\r\n" + "09 02 180 0001 zz\r\n";
    std::istringstream in(file);
    PresetTable table = markedTable();
    readLayout(in, table);
    EXPECT_EQ(table.presets[0].panels[0], (WallPanel{5, 3, 90, 641, 1, 1280, 360}));
    EXPECT_EQ(table.presets[0].panels[1], (WallPanel{9, 2, 180, 1, 7, 7, 7}));
    EXPECT_EQ(table.presets[0].panels[2], (WallPanel{7, 7, 7, 7, 7, 7, 7}));
    EXPECT_EQ(table.presets[31].panels[35], (WallPanel{7, 7, 7, 7, 7, 7, 7}));
}

TEST(LayoutFile, PanelNumbersThatDoNotFitAreRefusedNeverWrapped) {
    std::string file =
        "65559 " + gridLine().substr(3) + starLines(32) + "300 -1 70000 -32769 32768 2000 1100\r\n";
    std::istringstream in(file);
    PresetTable table;
    readLayout(in, table);
    EXPECT_EQ(table.presets[0].gridCode, 23); // 65559 - 65536
    const WallPanel &p = table.presets[0].panels[0];
    EXPECT_EQ(p.deviceAddress, 255); // 300: not switcher 44
    EXPECT_EQ(p.outputPort, 255);    // -1
    EXPECT_EQ(p.rotation, -1);       // 70000
    EXPECT_EQ(p.x1, -1);             // -32769
    EXPECT_EQ(p.y1, -1);             // 32768
    EXPECT_EQ(p.x2, 2000);
    EXPECT_EQ(p.y2, 1100);
    // Such a panel is never sent.
    EXPECT_FALSE(wall::buildPanelCommand(p).ok());
}

TEST(LayoutFile, TableAtItsExtremesReadsBackEqual) {
    ScopedTempCwd cwd;
    PresetTable table;
    const std::string descriptions[] = {"", "ABCDEFGHIJ", "*", " a * b  ", "0123456789"};
    for (int p = 0; p < 32; ++p) {
        WallPreset &preset = table.presets[p];
        preset.gridCode = p % 2 ? std::numeric_limits<uint16_t>::max() : 0;
        preset.description = descriptions[p % 5];
        for (int i = 0; i < 36; ++i) {
            const bool high = (p + i) % 2 == 0;
            const int16_t s =
                high ? std::numeric_limits<int16_t>::max() : std::numeric_limits<int16_t>::min();
            preset.panels[i] = WallPanel{static_cast<uint8_t>(high ? 255 : 0),
                                         static_cast<uint8_t>(high ? 0 : 255),
                                         s,
                                         s,
                                         static_cast<int16_t>(-s - 1),
                                         s,
                                         static_cast<int16_t>(i)};
        }
    }
    ASSERT_TRUE(saveLayoutFile(table).empty());
    PresetTable loaded = markedTable();
    ASSERT_TRUE(LoadLayoutFile(loaded).empty());
    EXPECT_EQ(loaded, table);
}

TEST(LayoutFile, SavedDefaultTableIsTheDefaultFile) {
    ScopedTempCwd cwd;
    PresetTable table;
    ASSERT_TRUE(LoadLayoutFile(table).empty());
    table.presets[4].panels[7] = WallPanel{12, 4, 270, 100, 200, 300, 400};
    ASSERT_TRUE(saveLayoutFile(table).empty());
    const std::string saved = readFile(kLayoutFileName);
    EXPECT_EQ(saved.size(), 35938u);
    const std::size_t line = 98 + 32 * 4 + (4 * 36 + 7) * 31;
    EXPECT_EQ(saved.substr(line, 31), "12 04 270 0100 0200 0300 0400\r\n");
    EXPECT_EQ(saved.substr(0, line), defaultLayoutFileContent().substr(0, line));
}

TEST(LayoutFile, AFolderInTheFilesPlaceCannotBeRead) {
    ScopedTempCwd cwd;
    std::filesystem::create_directory(kLayoutFileName);
    PresetTable table = markedTable();
    EXPECT_EQ(LoadLayoutFile(table), std::vector<std::string>{"File read failed"});
    EXPECT_EQ(table.presets[0].description, kTenSpaces);
    EXPECT_EQ(table.presets[0].gridCode, 11);
    EXPECT_EQ(table.presets[0].panels[0], (WallPanel{7, 7, 7, 7, 7, 7, 7}));
}

TEST(LayoutFile, FileThatCannotBeCreatedGivesAllThreeMessages) {
    ScopedTempCwd cwd;
    PresetTable table = markedTable();
    EXPECT_EQ(LoadLayoutFile(table, "missing/KorvexVW.ini"),
              (std::vector<std::string>{kCannotCreate, "failed", "File read failed"}));
    EXPECT_EQ(table.presets[31].description, kTenSpaces);
}

TEST(LayoutFile, FailedSaveKeepsTheOldFileWhole) {
    ScopedTempCwd cwd;
    writeFile(kLayoutFileName, "old layout");
    std::filesystem::create_directory(std::string(kLayoutFileName) + ".tmp");
    EXPECT_EQ(saveLayoutFile(PresetTable{}), std::vector<std::string>{kCannotCreate});
    EXPECT_EQ(readFile(kLayoutFileName), "old layout");
    EXPECT_EQ(saveLayoutFile(PresetTable{}, "missing/KorvexVW.ini"),
              (std::vector<std::string>{kCannotCreate, "failed"}));
}

// A preset file chosen by the operator replaces the table only when it holds a whole table.
TEST(LayoutFile, PresetFileLoadsOnlyAWholeTable) {
    ScopedTempCwd cwd;
    PresetTable saved = markedTable();
    saved.presets[31].description = "Last one";
    saved.presets[31].panels[35] = WallPanel{99, 9, 270, 1, 2, 1919, 1080};
    ASSERT_TRUE(savePresetFile(saved, "all.ini"));
    const std::string whole = readFile("all.ini");
    EXPECT_EQ(whole, formatLayoutFile(saved));
    writeFile("short.ini", whole.substr(0, whole.size() - 3)); // the last number cut short, but there
    writeFile("cut.ini", whole.substr(0, whole.size() - 9));   // ... and here it is gone
    writeFile("nodescriptions.ini", gridLine());
    writeFile("text.ini", gridLine().substr(0, 30) + "x" + whole.substr(31));
    writeFile("empty.ini", "");
    std::filesystem::create_directory("folder.ini");
    const struct {
        const char *file;
        PresetFileResult result;
    } rows[] = {
        {"all.ini", PresetFileResult::Loaded},         {"short.ini", PresetFileResult::Loaded},
        {"cut.ini", PresetFileResult::Incomplete},     {"nodescriptions.ini", PresetFileResult::Incomplete},
        {"text.ini", PresetFileResult::Incomplete},    {"empty.ini", PresetFileResult::Incomplete},
        {"missing.ini", PresetFileResult::CannotOpen}, {"folder.ini", PresetFileResult::CannotOpen},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.file);
        PresetTable table;
        ASSERT_TRUE(LoadLayoutFile(table).empty());
        const PresetTable before = table;
        EXPECT_EQ(loadPresetFile(table, r.file), r.result);
        if (r.result == PresetFileResult::Loaded)
            EXPECT_EQ(table.presets[31].description, "Last one");
        else
            EXPECT_EQ(table, before);
    }
    PresetTable table;
    ASSERT_EQ(loadPresetFile(table, "all.ini"), PresetFileResult::Loaded);
    EXPECT_EQ(table, saved);
    EXPECT_FALSE(savePresetFile(saved, "missing/all.ini"));
}

} // namespace
