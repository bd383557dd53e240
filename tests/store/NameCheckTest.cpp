#include "store/NameCheck.h"

#include <gtest/gtest.h>

#include <string>

using namespace store;

namespace {

struct NameCase {
    const char *label;
    std::string bytes;
    const char *refusal; // a part of the reason, or null when the name is accepted
};

std::string times(const std::string &s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

class NameCheckTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameCheckTest, AcceptsOrSaysWhy) {
    const NameCase &c = GetParam();
    const std::string reason = checkName(c.bytes);
    if (!c.refusal)
        EXPECT_EQ(reason, "");
    else
        EXPECT_NE(reason.find(c.refusal), std::string::npos) << reason;
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameCheckTest,
    ::testing::Values(NameCase{"Empty", "", nullptr}, NameCase{"Ascii", "Camera 1", nullptr},
                      NameCase{"TwoByte", "Cam\xC3\xA9ra", nullptr},
                      NameCase{"ThreeByte", "\xE2\x82\xAC desk", nullptr},
                      NameCase{"FourByte", "\xF0\x9F\x8E\xA5 cam", nullptr},
                      NameCase{"LastCodePoint", "\xF4\x8F\xBF\xBF", nullptr},
                      NameCase{"NoBreakSpaceAfterTheC1Controls",
                               "a\xC2\xA0"
                               "b",
                               nullptr},
                      NameCase{"ThirtyTwoAscii", std::string(32, 'a'), nullptr},
                      NameCase{"ThirtyThreeAscii", std::string(33, 'a'), "has 33 characters; at most 32"},
                      NameCase{"ThirtyTwoTwoByte", times("\xC3\xA9", 32), nullptr},
                      NameCase{"ThirtyThreeTwoByte", times("\xC3\xA9", 33), "has 33 characters"},
                      NameCase{"ThirtyTwoFourByte", times("\xF0\x9F\x8E\xA5", 32), nullptr},
                      NameCase{"ThirtyThreeFourByte", times("\xF0\x9F\x8E\xA5", 33), "has 33 characters"},
                      NameCase{"OverlongSlash", "ab\xC0\xAF", "overlong encoding at byte 3"},
                      NameCase{"OverlongNul", "\xC0\x80", "overlong encoding at byte 1"},
                      NameCase{"OverlongThreeByte", "\xE0\x80\xAF", "overlong encoding"},
                      NameCase{"OverlongFourByteEuro", "\xF0\x82\x82\xAC", "overlong encoding"},
                      NameCase{"HighSurrogate", "\xED\xA0\x80", "encoded surrogate"},
                      NameCase{"LowSurrogate", "x\xED\xBF\xBF", "encoded surrogate at byte 2"},
                      NameCase{"PastLastCodePoint", "\xF4\x90\x80\x80", "beyond U+10FFFF"},
                      NameCase{"F5Lead", "\xF5\x80\x80\x80", "beyond U+10FFFF"},
                      NameCase{"LoneContinuation", "a\x80",
                               "continuation byte without a lead byte at byte 2"},
                      NameCase{"CutShortAtTheEnd", "ab\xE2\x82", "incomplete sequence at byte 3"},
                      NameCase{"CutShortByAscii",
                               "\xC3"
                               "A",
                               "incomplete sequence"},
                      NameCase{"ByteFF", "\xFF", "never occurs in UTF-8"},
                      NameCase{"Newline", "a\nb", "control character (U+000A) at character 2"},
                      NameCase{"Nul", std::string("a\0b", 3), "control character (U+0000)"},
                      NameCase{"Delete", "\x7F", "control character (U+007F)"},
                      NameCase{"C1Control", "\xC2\x85", "control character (U+0085)"}),
    [](const auto &info) { return std::string(info.param.label); });

TEST(ValidUtf8, ReplacesEachIllFormedByteAndKeepsTheRest) {
    EXPECT_EQ(validUtf8("a\xFF\xC3\xA9\xE2\x82"
                        "b"),
              "a\xEF\xBF\xBD\xC3\xA9\xEF\xBF\xBD\xEF\xBF\xBD"
              "b");
}

} // namespace
