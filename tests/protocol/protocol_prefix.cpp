#include "protocol/CommandFrame.h"
#include "protocol/TextPrefix.h"
#include "protocol_print.h"

#include <gtest/gtest.h>

namespace protocol {
namespace {

TEST(ProtocolPrefix, AddressPrefix) {
    EXPECT_EQ(addressPrefix(0), "A00 ");
    EXPECT_EQ(addressPrefix(5), "A05 ");
    EXPECT_EQ(addressPrefix(42), "A42 ");
    EXPECT_EQ(addressPrefix(99), "A99 ");
    EXPECT_EQ(addressPrefix(100), std::nullopt);
    EXPECT_EQ(addressPrefix(255), std::nullopt);
}

TEST(ProtocolPrefix, PrefixGoesBeforeEveryPrintableLineNotStartingWithA) {
    using namespace std::string_literals;
    struct Case {
        const char *name;
        std::string text;
        std::uint8_t device;
        std::string expected;
    };
    const Case cases[] = {
        {"one line, device 0", "\r\nGET STA\r\n", 0, "\r\nA00 GET STA\r\n"},
        {"one line, device 5", "\r\nGET STA\r\n", 5, "\r\nA05 GET STA\r\n"},
        {"three lines", "\r\nSET A\r\n\r\nSET B\r\nSET C\r\n", 7,
         "\r\nA07 SET A\r\n\r\nA07 SET B\r\nA07 SET C\r\n"},
        {"own prefix kept", "\r\nA05 SET ADDR 12\r\n", 31, "\r\nA05 SET ADDR 12\r\n"},
        {"own prefix among others", "\r\nGET STA\r\nA01 SET OUT1 VW XYZ\r\nGET STA\r\n", 2,
         "\r\nA02 GET STA\r\nA01 SET OUT1 VW XYZ\r\nA02 GET STA\r\n"},
        {"no leading line break", "GET STA\r\n", 5, "GET STA\r\n"},
        {"first line bare, second prefixed", "X\r\nY", 5, "X\r\nA05 Y"},
        {"lower-case a gets one", "\r\na", 1, "\r\nA01 a"},
        {"space is printable", "\r\n ", 1, "\r\nA01  "},
        {"tilde is printable", "\r\n~", 1, "\r\nA01 ~"},
        {"control char after LF", "\r\n\r\n", 1, "\r\n\r\n"},
        {"NUL after LF", "\r\n\0X"s, 1, "\r\n\0X"s},
        {"DEL after LF", "\r\n\x7FX", 1, "\r\n\x7FX"},
        {"high byte after LF", "\r\n\x80X", 1, "\r\n\x80X"},
        {"LF at the end", "GET\n", 1, "GET\n"},
        {"bare LF lines", "\nX\nY", 4, "\nA04 X\nA04 Y"},
        {"CR alone is no line start", "\rX", 4, "\rX"},
        {"empty", "", 4, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<std::string> out = prefixText(c.text, c.device);
        ASSERT_TRUE(out.has_value());
        EXPECT_EQ(escapeBytes(*out), escapeBytes(c.expected));
    }
}

TEST(ProtocolPrefix, TextThatWouldNotFitTheWriteBufferIsRefusedWhole) {
    struct Case {
        const char *name;
        std::string text;
        bool fits;
    };
    const std::string oneLine1020 = "\r\n" + std::string(1018, 'X'); // 1024 once prefixed
    const std::string oneLine1021 = "\r\n" + std::string(1019, 'X'); // 1025 once prefixed
    std::string manyLines;                                           // 900 bytes, 2100 once prefixed
    for (int i = 0; i < 300; ++i)
        manyLines += "\r\nX";
    const Case cases[] = {
        {"exactly the buffer", oneLine1020, true},
        {"one byte over", oneLine1021, false},
        {"short text, many prefixes", manyLines, false},
        {"no prefix, exactly the buffer", std::string(1024, 'A'), true},
        {"no prefix, one byte over", std::string(1025, 'A'), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<std::string> out = prefixText(c.text, 5);
        EXPECT_EQ(out.has_value(), c.fits);
        if (out) {
            EXPECT_LE(out->size(), kWriteBufferSize);
        }
    }
    EXPECT_TRUE(prefixText(oneLine1021, 5, 1025).has_value());
}

TEST(ProtocolPrefix, DeviceWithoutTwoDigitAddressSendsOnlyTextsThatNeedNoPrefix) {
    EXPECT_EQ(prefixText("\r\nGET STA\r\n", 100), std::nullopt);
    EXPECT_EQ(prefixText("\r\nA05 GET STA\r\n", 100), "\r\nA05 GET STA\r\n");
    EXPECT_EQ(prefixText("SET IN1 EDID U1 DATA 00\r\n", 200), "SET IN1 EDID U1 DATA 00\r\n");
}

TEST(ProtocolPrefix, NeedsPrefixNeverLooksOutsideTheText) {
    const std::string_view text = "\nX";
    EXPECT_FALSE(needsPrefix(text, 0));
    EXPECT_TRUE(needsPrefix(text, 1));
    EXPECT_FALSE(needsPrefix(text, 2));
    EXPECT_FALSE(needsPrefix(text, 99));
    EXPECT_FALSE(needsPrefix({}, 0));
}

TEST(ProtocolPrefix, AddressedDeviceIsTheLastCommandsTarget) {
    const std::vector<std::uint8_t> built = buildShortFrame(kFrameGroup, 7, 0x7802);
    const std::string frame(built.begin(), built.end());
    const struct {
        const char *name;
        std::string bytes;
        std::optional<std::uint8_t> device;
    } cases[] = {
        {"prefixed line", "\r\nA05 GET STA\r\n", 5},
        {"bare line reaches every device", "\r\nGET STA\r\n", 0},
        {"last line decides", "\r\nA05 GET STA\r\nA12 GET STA\r\n", 12},
        {"own address among bare lines", "\r\nA07 SET A\r\nGET STA\r\n", 0},
        {"line ends only", "\r\n\r\n", std::nullopt},
        {"nothing", "", std::nullopt},
        {"prefix needs its space", "\r\nA05GET\r\n", 0},
        {"frame's device byte", frame, 7},
        {"search probe", "\r\n>@\r\n", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(addressedDevice(c.bytes), c.device);
    }
}

} // namespace
} // namespace protocol
