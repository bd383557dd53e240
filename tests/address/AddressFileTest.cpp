#include "address/AddressFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace address;
using testsupport::readFile;
using testsupport::ScopedTempCwd;
using testsupport::writeFile;

namespace {

const std::string kCannotCreate = "There is no KorvexAddrMG.ini and faild to create new empty ini file !";
const std::string kTenSpaces(10, ' ');

std::string addressLine(const std::string &first = "00") {
    std::string line = first + " ";
    for (int i = 1; i < 32; ++i)
        line += "00 ";
    return line + "\r\n";
}

std::string starLines(int count, const std::string &line = "* \r\n") {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += line;
    return out;
}

AddressTable markedTable() {
    AddressTable table;
    for (int i = 0; i < 32; ++i)
        table.entries[i] = AddressEntry{static_cast<uint16_t>(60 + i), "old"};
    return table;
}

TEST(AddressFile, DefaultContentIsTheAddressLineAndThirtyTwoOneSpaceDescriptions) {
    const std::string content = defaultAddressFileContent();
    EXPECT_EQ(content.size(), 226u);
    EXPECT_EQ(content, addressLine() + starLines(32));
}

TEST(AddressFile, MissingFileIsCreatedWithTheDefaultAndRead) {
    ScopedTempCwd cwd;
    AddressTable table = markedTable();
    EXPECT_TRUE(LoadAddressFile(table).empty());
    EXPECT_EQ(readFile(kAddressFileName), defaultAddressFileContent());
    for (const auto &entry : table.entries)
        EXPECT_EQ(entry, (AddressEntry{0, " "}));
    EXPECT_EQ(addressListText(1, table.entries[0]), "No. 1:00:  ");
    EXPECT_EQ(addressListText(9, table.entries[8]), "No. 9:00:  ");
    EXPECT_EQ(addressListText(32, table.entries[31]), "No.32:00:  ");
}

TEST(AddressFile, ExistingFileIsReadNotReplaced) {
    ScopedTempCwd cwd;
    const std::string content = addressLine("05") + "*Lobby\r\n" + starLines(31);
    writeFile(kAddressFileName, content);
    AddressTable table;
    EXPECT_TRUE(LoadAddressFile(table).empty());
    EXPECT_EQ(readFile(kAddressFileName), content);
    EXPECT_EQ(table.entries[0], (AddressEntry{5, "Lobby"}));
    EXPECT_EQ(addressListText(1, table.entries[0]), "No. 1:05: Lobby");
}

// Descriptions of 0, 10 and 14 characters and what follows them.
TEST(AddressFile, DescriptionsAreCutAtTenAndTheNextIsStillFound) {
    std::istringstream in(addressLine() + "*\r\n" + "*ABCDEFGHIJ\r\n" + "*Projector 12\r\n" + "*Next\r\n" +
                          starLines(28, "*x\r\n"));
    AddressTable table;
    readAddressTable(in, table);
    EXPECT_EQ(table.entries[0].description, "");
    EXPECT_EQ(table.entries[1].description, "ABCDEFGHIJ");
    EXPECT_EQ(table.entries[2].description, "Projector ");
    EXPECT_EQ(table.entries[3].description, "Next");
    EXPECT_EQ(table.entries[31].description, "x");
}

TEST(AddressFile, ShortFileLeavesWhatItDoesNotHold) {
    ScopedTempCwd cwd;
    writeFile(kAddressFileName, "07 12\r\n*A\r\n*B");
    AddressTable table = markedTable();
    EXPECT_TRUE(LoadAddressFile(table).empty());
    EXPECT_EQ(table.entries[0], (AddressEntry{7, "A"}));
    EXPECT_EQ(table.entries[1], (AddressEntry{12, "B"}));
    EXPECT_EQ(table.entries[2], (AddressEntry{62, kTenSpaces}));
    EXPECT_EQ(table.entries[31], (AddressEntry{91, kTenSpaces}));
}

TEST(AddressFile, TextWhereANumberIsExpectedLeavesTheRemainingAddresses) {
    std::istringstream in("03 zz 04 05\r\n*One\r\n*Two\r\n");
    AddressTable table = markedTable();
    readAddressTable(in, table);
    EXPECT_EQ(table.entries[0].address, 3);
    EXPECT_EQ(table.entries[1].address, 61);
    EXPECT_EQ(table.entries[31].address, 91);
    EXPECT_EQ(table.entries[0].description, "One");
    EXPECT_EQ(table.entries[1].description, "Two");
}

TEST(AddressFile, AddressesOutsideTwoDigitsAreKeptAsReadAndShownWhole) {
    std::istringstream in("150 -1 7\r\n");
    AddressTable table;
    readAddressTable(in, table);
    EXPECT_EQ(table.entries[0].address, 150);
    EXPECT_EQ(table.entries[1].address, 65535);
    EXPECT_EQ(table.entries[2].address, 7);
    EXPECT_EQ(addressListText(1, table.entries[0]), "No. 1:150: ");
    // What is shown whole is also written whole, so the file reads back the same.
    std::istringstream again(formatAddressFile(table));
    AddressTable back;
    readAddressTable(again, back);
    EXPECT_EQ(back, table);
}

TEST(AddressFile, AFolderInTheFilesPlaceCannotBeRead) {
    ScopedTempCwd cwd;
    std::filesystem::create_directory(kAddressFileName);
    AddressTable table = markedTable();
    EXPECT_EQ(LoadAddressFile(table), std::vector<std::string>{"File read failed"});
    EXPECT_EQ(table.entries[4], (AddressEntry{64, kTenSpaces}));
}

TEST(AddressFile, FileThatCannotBeCreatedGivesAllThreeMessages) {
    ScopedTempCwd cwd;
    AddressTable table = markedTable();
    EXPECT_EQ(LoadAddressFile(table, "no-such-folder/KorvexAddrMG.ini"),
              (std::vector<std::string>{kCannotCreate, "failed", "File read failed"}));
    EXPECT_EQ(table.entries[0], (AddressEntry{60, kTenSpaces}));
}

struct SaveCase {
    std::string addressText;
    std::string description;
    AddressEntry stored;
};

class SaveEntryTest : public ::testing::TestWithParam<SaveCase> {};

TEST_P(SaveEntryTest, StoresTheLeadingNumberAndTheCutDescription) {
    ScopedTempCwd cwd;
    std::array<std::string, 32> addresses;
    std::array<std::string, 32> descriptions;
    addresses[2] = GetParam().addressText;
    descriptions[2] = GetParam().description;
    AddressTable table = markedTable();
    ASSERT_TRUE(SaveAddressFile(table, addresses, descriptions).empty());
    EXPECT_EQ(table.entries[2], GetParam().stored);
    EXPECT_EQ(table.entries[0], (AddressEntry{0, " "}));

    AddressTable loaded;
    ASSERT_TRUE(LoadAddressFile(loaded).empty());
    EXPECT_EQ(loaded, table);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveEntryTest,
    ::testing::Values(SaveCase{"7", "", {7, " "}}, SaveCase{"", "Hall", {0, "Hall"}},
                      SaveCase{"99", "ABCDEFGHIJ", {99, "ABCDEFGHIJ"}},
                      SaveCase{"5x", "Projector 12", {5, "Projector "}}, SaveCase{" 3", "*", {3, "*"}},
                      SaveCase{"x5", "a", {0, "a"}}, SaveCase{"-5", "b", {0, "b"}},
                      SaveCase{"+8", "c", {8, "c"}},
                      // Latin-1: two characters are two bytes, kept byte for byte
                      SaveCase{std::string{'\xE9', '7'}, "Caf\xE9 \xC0 \xA9", {0, "Caf\xE9 \xC0 \xA9"}}));

TEST(AddressFile, SavedFileHasTheExactLayout) {
    ScopedTempCwd cwd;
    std::array<std::string, 32> addresses;
    std::array<std::string, 32> descriptions;
    addresses[2] = "7";
    addresses[31] = "42";
    descriptions[0] = "Stage left";
    AddressTable table;
    ASSERT_TRUE(SaveAddressFile(table, addresses, descriptions).empty());
    std::string expected;
    for (int i = 0; i < 32; ++i)
        expected += i == 2 ? "07 " : i == 31 ? "42 " : "00 ";
    expected += "\r\n*Stage left\r\n" + starLines(31);
    EXPECT_EQ(readFile(kAddressFileName), expected);
}

TEST(AddressFile, FullTableIsAtMost514Bytes) {
    AddressTable table;
    for (auto &entry : table.entries)
        entry = AddressEntry{99, "0123456789"};
    EXPECT_EQ(formatAddressFile(table).size(), 514u);
}

struct TooLongCase {
    std::size_t index;
    std::string message;
};

class SaveValidationTest : public ::testing::TestWithParam<TooLongCase> {};

TEST_P(SaveValidationTest, NamesTheFirstTooLongAddressByItsHexIndexAndChangesNothing) {
    ScopedTempCwd cwd;
    writeFile(kAddressFileName, "old");
    std::array<std::string, 32> addresses;
    std::array<std::string, 32> descriptions;
    addresses.fill("1");
    descriptions.fill("new");
    addresses[GetParam().index] = "123";
    AddressTable table = markedTable();
    addresses[31] = "456"; // a later bad entry is not reported as well
    EXPECT_EQ(SaveAddressFile(table, addresses, descriptions), std::vector<std::string>{GetParam().message});
    EXPECT_EQ(table, markedTable());
    EXPECT_EQ(readFile(kAddressFileName), "old");
}

INSTANTIATE_TEST_SUITE_P(Cases, SaveValidationTest,
                         ::testing::Values(TooLongCase{0, "Index No. 00 is more than 2 HEX digital"},
                                           TooLongCase{4, "Index No. 04 is more than 2 HEX digital"},
                                           TooLongCase{10, "Index No. 0A is more than 2 HEX digital"},
                                           TooLongCase{31, "Index No. 1F is more than 2 HEX digital"}),
                         [](const ::testing::TestParamInfo<TooLongCase> &info) {
                             return "Entry" + std::to_string(info.param.index + 1);
                         });

TEST(AddressFile, FailedSaveKeepsTheOldFileAndTable) {
    ScopedTempCwd cwd;
    const std::string old = defaultAddressFileContent();
    writeFile(kAddressFileName, old);
    std::filesystem::create_directory(std::string(kAddressFileName) + ".tmp"); // blocks the new file
    std::array<std::string, 32> addresses;
    std::array<std::string, 32> descriptions;
    addresses.fill("9");
    AddressTable table = markedTable();
    EXPECT_EQ(SaveAddressFile(table, addresses, descriptions), std::vector<std::string>{kCannotCreate});
    EXPECT_EQ(readFile(kAddressFileName), old);
    EXPECT_EQ(table, markedTable()); // the list keeps offering what the file holds
}

TEST(AddressFile, SaveWhereNoFileCanBeCreatedSaysSoTwice) {
    ScopedTempCwd cwd;
    std::array<std::string, 32> addresses;
    std::array<std::string, 32> descriptions;
    AddressTable table;
    EXPECT_EQ(SaveAddressFile(table, addresses, descriptions, "missing/KorvexAddrMG.ini"),
              (std::vector<std::string>{kCannotCreate, "failed"}));
}

} // namespace
