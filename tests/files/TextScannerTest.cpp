#include "files/TextScanner.h"
#include "files/StarredDescription.h"

#include <gtest/gtest.h>

#include <climits>
#include <sstream>

using files::TextScanner;

namespace {

struct IntCase {
    std::string input;
    bool ok;
    int value;
    int nextChar; // what is left to read afterwards
};

class ReadIntTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(ReadIntTest, ReadsLikeAFormattedDecimalRead) {
    const IntCase &c = GetParam();
    std::istringstream in(c.input);
    TextScanner scanner(in);
    int value = -12345;
    EXPECT_EQ(scanner.readInt(value), c.ok);
    EXPECT_EQ(value, c.ok ? c.value : -12345);
    EXPECT_EQ(scanner.readChar(), c.nextChar);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadIntTest,
    ::testing::Values(IntCase{"42 ", true, 42, ' '}, IntCase{" \r\n\t 0007x", true, 7, 'x'},
                      IntCase{"-270\r\n", true, -270, '\r'}, IntCase{"+5", true, 5, TextScanner::kEnd},
                      IntCase{"x12", false, 0, 'x'}, IntCase{"  *", false, 0, '*'},
                      IntCase{"", false, 0, TextScanner::kEnd}, IntCase{"   ", false, 0, TextScanner::kEnd},
                      IntCase{"-x", false, 0, 'x'},
                      IntCase{"99999999999999999999999999 1", true, INT_MAX, ' '},
                      IntCase{"-99999999999999999999999999", true, INT_MIN, TextScanner::kEnd},
                      IntCase{"\xff"
                              "1",
                              false, 0, 0xff}));

TEST(TextScanner, AFailedNumberBlocksTheFollowingNumbersUntilCharactersAreTaken) {
    std::istringstream in("12ab 34");
    TextScanner scanner(in);
    int value = 0;
    ASSERT_TRUE(scanner.readInt(value));
    EXPECT_EQ(value, 12);
    EXPECT_FALSE(scanner.readInt(value));
    EXPECT_FALSE(scanner.readInt(value));
    EXPECT_EQ(scanner.readChar(), 'a');
    EXPECT_EQ(scanner.readChar(), 'b');
    ASSERT_TRUE(scanner.readInt(value));
    EXPECT_EQ(value, 34);
}

struct DescriptionCase {
    const char *name;
    std::string input;
    bool read;
    bool full;
    std::string text;
    int nextChar;
};

class StarredDescriptionTest : public ::testing::TestWithParam<DescriptionCase> {};

TEST_P(StarredDescriptionTest, FindsTheStarThenTakesAtMostTenCharacters) {
    const DescriptionCase &c = GetParam();
    std::istringstream in(c.input);
    TextScanner scanner(in);
    const files::StarredDescription d = files::readStarredDescription(scanner);
    EXPECT_EQ(d.read, c.read);
    EXPECT_EQ(d.full, c.full);
    EXPECT_EQ(d.text, c.text);
    EXPECT_EQ(scanner.readChar(), c.nextChar);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StarredDescriptionTest,
    ::testing::Values(DescriptionCase{"Empty", "*\r\n*", true, false, "", '\n'},
                      DescriptionCase{"OneSpace", "* \r\n", true, false, " ", '\n'},
                      DescriptionCase{"LfOnly", "*Lobby\n*", true, false, "Lobby", '*'},
                      DescriptionCase{"Ten", "*ABCDEFGHIJ\r\n", true, true, "ABCDEFGHIJ", '\r'},
                      DescriptionCase{"Fourteen", "*ABCDEFGHIJKLMN\r\n", true, true, "ABCDEFGHIJ", 'K'},
                      DescriptionCase{"NulEnds", std::string("*AB\0CD\r\n", 8), true, false, "AB", 'C'},
                      DescriptionCase{"StarInside", "*A*B\r\n", true, false, "A*B", '\n'},
                      DescriptionCase{"SkipsToStar", " \r\n  *Hall\r\n", true, false, "Hall", '\n'},
                      DescriptionCase{"StarIsFiftieth", std::string(49, '-') + "*X\r\n", true, false, "X",
                                      '\n'},
                      DescriptionCase{"NoStarInFifty", std::string(50, '-') + "0123456789AB", true, true,
                                      "0123456789", 'A'},
                      DescriptionCase{"EndBeforeStar", "  \r\n", false, false, "", TextScanner::kEnd},
                      DescriptionCase{"EndInsideText", "*Roo", true, false, "Roo", TextScanner::kEnd}),
    [](const ::testing::TestParamInfo<DescriptionCase> &info) { return std::string(info.param.name); });

struct StoredCase {
    std::string description;
    std::string stored;
};

class StoredDescriptionTest : public ::testing::TestWithParam<StoredCase> {};

TEST_P(StoredDescriptionTest, CutsToTenCharactersWithoutBreakingTheLine) {
    const StoredCase &c = GetParam();
    EXPECT_EQ(files::storedDescription(c.description), c.stored);
    EXPECT_EQ(files::formatStarredLine(c.description), "*" + c.stored + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoredDescriptionTest,
    ::testing::Values(StoredCase{"", ""}, StoredCase{"ABCDEFGHIJ", "ABCDEFGHIJ"},
                      StoredCase{"ABCDEFGHIJKLMN", "ABCDEFGHIJ"}, StoredCase{"a\r\nb", "a  b"},
                      StoredCase{std::string("x\0y", 3), "x y"},
                      // Latin-1, one byte per character: bytes 0x80..0xBF are characters of their own
                      StoredCase{std::string(11, '\xE9'), std::string(10, '\xE9')},
                      StoredCase{"ABCDEFGHIJ\xA9", "ABCDEFGHIJ"},
                      StoredCase{std::string(12, '\xA9'), std::string(10, '\xA9')}));

} // namespace
