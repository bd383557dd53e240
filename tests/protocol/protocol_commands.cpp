#include "protocol/Commands.h"
#include "protocol/FormatDec3.h"
#include "protocol/TextPrefix.h"
#include "protocol_print.h"

#include <gtest/gtest.h>

#include <numeric>

namespace protocol {
namespace {

struct BuilderCase {
    const char *name;
    std::optional<std::string> built;
    std::string_view expected; // exact bytes, CR LF framing included
    std::size_t bytes;         // the byte count the command is known by
};

std::array<bool, 9> nineFlags(std::initializer_list<int> setOutputs) {
    std::array<bool, 9> flags{};
    for (int output : setOutputs)
        flags[static_cast<std::size_t>(output - 1)] = true;
    return flags;
}

TEST(ProtocolCommands, EveryBuilderByteForByte) {
    std::array<bool, 13> irSwitch{};
    irSwitch[1] = true; // HDBT2
    irSwitch[9] = true; // IR.ext1

    LanSettings staticLan;
    staticLan.host = {192, 168, 1, 10};
    staticLan.netMask = {255, 255, 255, 0};
    staticLan.router = {192, 168, 1, 1};
    staticLan.tcpPort = "8080";
    LanSettings dhcpLan = staticLan;
    dhcpLan.dhcp = true;
    LanSettings dhcpLanWithMac = dhcpLan;
    dhcpLanWithMac.mac = "00:1A:2B:3C:4D:5E";
    LanSettings tenNet;
    tenNet.host = {10, 0, 0, 1};
    tenNet.netMask = {255, 0, 0, 0};
    tenNet.router = {10, 0, 0, 254};
    tenNet.tcpPort = "23";

    const BuilderCase cases[] = {
        {"status", buildGetStatus(), "\r\nGET STA\r\n", 11},
        {"probe", buildSearchProbe(), "\r\n>@\r\n", 6},
        {"mvw mode 1", buildSetMvwMode(1), "\r\nSET MVW MODE1\r\n", 17},
        {"mvw mode 0", buildSetMvwMode(0), "\r\nSET MVW MODE0\r\n", 17},
        {"qvw mode 0", buildSetQvwMode(0), "\r\nSET QVW MODE0\r\n", 17},
        {"qvw sources", buildSetQvwSources({5, 3, 1, 2}), "\r\nSET QVW VS 5.3.1.2\r\n", 22},
        {"qvw unknown source", buildSetQvwSources({0, 9, 0, 1}), "\r\nSET QVW VS 0.9.0.1\r\n", 22},
        {"mv audio all mute", buildSetMvAudio(0, 10), "\r\nSET OUT0 MAS IN10\r\n", 21},
        {"mv audio out3 in5", buildSetMvAudio(3, 5), "\r\nSET OUT3 MAS IN5 \r\n", 21},
        {"get address", buildGetAddress(), "\r\nA00 GET ADDR\r\n", 16},
        {"set address", buildSetAddress(5, 12), "\r\nA05 SET ADDR 12\r\n", 19},
        {"set address all", buildSetAddress(0, 7), "\r\nA00 SET ADDR 07\r\n", 19},
        {"set address 99", buildSetAddress(99, 99), "\r\nA99 SET ADDR 99\r\n", 19},
        {"route in7", buildSetRouting(3, 7), "\r\nSET OUT3 VS IN7 \r\n", 20},
        {"route mv", buildSetRouting(3, 10), "\r\nSET OUT3 VS IN10\r\n", 20},
        {"route out9 mv", buildSetRouting(9, 10), "\r\nSET OUT9 VS IN10\r\n", 20},
        {"route out9 in9", buildSetRouting(9, 9), "\r\nSET OUT9 VS IN9 \r\n", 20},
        {"route all outputs", buildSetRouting(0, 1), "\r\nSET OUT0 VS IN1 \r\n", 20},
        {"border line", buildSetBorderLine(15, 255, 0, 128), "\r\nSET BLW 015\r\n\r\nSET BLC 255.000.128\r\n",
         38},
        {"border line small", buildSetBorderLine(7, 5, 10, 9),
         "\r\nSET BLW 007\r\n\r\nSET BLC 005.010.009\r\n", 38},
        {"input edid user2", buildSetInputEdid(3, 3), "\r\nSET IN3 EDID 03\r\n", 19},
        {"input edid from out9", buildSetInputEdid(9, 13), "\r\nSET IN9 EDID 13\r\n", 19},
        {"read output edid", buildGetOutputEdid(9), "\r\nGET OUT9 EDID  DATA\r\n", 23},
        {"read input edid", buildGetInputEdid(4, 2), "\r\nGET IN4 EDID 2 DATA\r\n", 23},
        {"lan static", buildSetLan(staticLan),
         "\r\nSET DHCP 0\r\nSET HIP 192.168.001.010\r\nSET NMK 255.255.255.000\r\nSET RIP192.168.001.001\r\n"
         "SET TIP 8080\r\n",
         102},
        {"lan dhcp", buildSetLan(dhcpLan), "\r\nSET DHCP 1\r\nSET TIP 8080\r\n", 28},
        {"lan dhcp mac", buildSetLan(dhcpLanWithMac),
         "\r\nSET DHCP 1\r\nSET TIP 8080\r\nSET MAC 00:1A:2B:3C:4D:5E\r\n", 55},
        {"lan ten net", buildSetLan(tenNet),
         "\r\nSET DHCP 0\r\nSET HIP 010.000.000.001\r\nSET NMK 255.000.000.000\r\nSET RIP010.000.000.254\r\n"
         "SET TIP 23\r\n",
         100},
        {"exa mode", buildSetExaMode(2), "\r\nSET EXA MODE2\r\n", 17},
        {"independent audio", buildSetIndependentAudio(1, 9), "\r\nSET OUT1 EAS IN9\r\n", 20},
        {"audio mute", buildSetAudioOn(4, false), "\r\nSET 4 EXA DIS\r\n", 17},
        {"audio on", buildSetAudioOn(4, true), "\r\nSET 4 EXA EN \r\n", 17},
        {"ir route all", buildSetIrRoute(0, 3), "\r\nSET IRT OUT0 IS IN3\r\n", 23},
        {"ir route out9", buildSetIrRoute(9, 4), "\r\nSET IRT OUT9 IS IN4\r\n", 23},
        {"ir switch", buildSetIrSwitch(irSwitch), "\r\nSET IR EXT SW 0.1.0.0.0.0.0.0.0.1.0.0.0\r\n", 43},
        {"ir emitters", buildSetIrEmitters(nineFlags({1, 9})), "\r\nSET IRC MUX 1.0.0.0.0.0.0.0.1\r\n", 33},
        {"rs mux", buildSetRsMux(nineFlags({2, 5})), "\r\nSET RS MUX 0.1.0.0.1.0.0.0.0\r\n", 32},
    };
    for (const BuilderCase &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.built.has_value());
        EXPECT_EQ(escapeBytes(*c.built), escapeBytes(c.expected));
        EXPECT_EQ(c.built->size(), c.bytes);
    }
}

TEST(ProtocolCommands, ArgumentsThatCannotFormTheirDigitsAreRefused) {
    const std::array<std::uint8_t, 4> edid{};
    const std::pair<const char *, std::optional<std::string>> cases[] = {
        {"mvw mode 2", buildSetMvwMode(2)},
        {"mvw mode -1", buildSetMvwMode(-1)},
        {"qvw mode 2", buildSetQvwMode(2)},
        {"qvw source 10", buildSetQvwSources({1, 2, 10, 4})},
        {"qvw source -1", buildSetQvwSources({-1, 2, 3, 4})},
        {"mv audio output 10", buildSetMvAudio(10, 1)},
        {"mv audio source 0", buildSetMvAudio(1, 0)},
        {"mv audio source 11", buildSetMvAudio(1, 11)},
        {"set address device 100", buildSetAddress(100, 1)},
        {"set address new 100", buildSetAddress(1, 100)},
        {"set address new -1", buildSetAddress(1, -1)},
        {"route output -1", buildSetRouting(-1, 1)},
        {"route input 0", buildSetRouting(1, 0)},
        {"route input 11", buildSetRouting(1, 11)},
        {"input edid no choice", buildSetInputEdid(1, -1)},
        {"input edid choice 14", buildSetInputEdid(1, 14)},
        {"input edid input 0", buildSetInputEdid(0, 1)},
        {"output edid 0", buildGetOutputEdid(0)},
        {"input edid from out", buildGetInputEdid(4, 5)},
        {"input edid no selection", buildGetInputEdid(4, -1)},
        {"load edid slot 0", buildLoadUserEdid(1, 0, edid)},
        {"load edid slot 4", buildLoadUserEdid(1, 4, edid)},
        {"load edid input 10", buildLoadUserEdid(10, 1, edid)},
        {"exa mode 3", buildSetExaMode(3)},
        {"independent audio input 0", buildSetIndependentAudio(1, 0)},
        {"independent audio output 0", buildSetIndependentAudio(0, 1)},
        {"audio on output 10", buildSetAudioOn(10, true)},
        {"ir route source 5", buildSetIrRoute(1, 5)},
        {"ir route source 0", buildSetIrRoute(1, 0)},
    };
    for (const auto &[name, built] : cases) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(built.has_value()) << escapeBytes(*built);
    }
}

TEST(ProtocolCommands, TypedLanTextsCannotInjectCommandLines) {
    LanSettings lan;
    lan.dhcp = true;
    lan.tcpPort = "80\r\nSET DHCP 0";
    EXPECT_FALSE(buildSetLan(lan).has_value());
    lan.tcpPort = "8080";
    lan.mac = "00:11\nSET RS MUX 1";
    EXPECT_FALSE(buildSetLan(lan).has_value());
    lan.mac = "anything goes";
    ASSERT_TRUE(buildSetLan(lan).has_value());
    EXPECT_NE(buildSetLan(lan)->find("SET MAC anything goes\r\n"), std::string::npos);
}

TEST(ProtocolCommands, UserEdidLoadCarriesExactly256PairsWithoutLeadingLineBreak) {
    std::vector<std::uint8_t> full(256);
    std::iota(full.begin(), full.end(), 0);
    std::vector<std::uint8_t> half(full.begin(), full.begin() + 128);
    std::vector<std::uint8_t> longer(300, 0x5A);

    struct Case {
        const char *name;
        int input, slot;
        std::span<const std::uint8_t> data;
        std::string_view head;
        std::string_view pair0, pair127, pair128, pair255;
    };
    const Case cases[] = {
        {"full image", 3, 2, full, "SET IN3 EDID U2 DATA ", "00", "7F", "80", "FF"},
        {"128-byte file", 1, 1, half, "SET IN1 EDID U1 DATA ", "00", "7F", "FF", "FF"},
        {"longer file", 9, 3, longer, "SET IN9 EDID U3 DATA ", "5A", "5A", "5A", "5A"},
        {"empty file", 5, 1, {}, "SET IN5 EDID U1 DATA ", "FF", "FF", "FF", "FF"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<std::string> text = buildLoadUserEdid(c.input, c.slot, c.data);
        ASSERT_TRUE(text.has_value());
        ASSERT_EQ(text->size(), 790u);
        EXPECT_TRUE(text->starts_with(c.head));
        EXPECT_TRUE(text->ends_with("\r\n"));
        EXPECT_EQ(text->find('\n'), text->size() - 1); // one line only
        const std::string_view pairs = std::string_view(*text).substr(c.head.size(), 767);
        for (std::size_t i = 0; i < 255; ++i)
            EXPECT_EQ(pairs[3 * i + 2], ' ') << "after pair " << i;
        EXPECT_EQ(pairs.substr(0, 2), c.pair0);
        EXPECT_EQ(pairs.substr(3 * 127, 2), c.pair127);
        EXPECT_EQ(pairs.substr(3 * 128, 2), c.pair128);
        EXPECT_EQ(pairs.substr(3 * 255, 2), c.pair255);
    }
    // Upper-case hexadecimal, high nibble first.
    const std::optional<std::string> text = buildLoadUserEdid(1, 1, full);
    EXPECT_EQ(text->substr(21 + 3 * 0xAB, 2), "AB");
    EXPECT_EQ(text->substr(21 + 3 * 0x0C, 2), "0C");
}

TEST(ProtocolCommands, FormatDec3) {
    const std::pair<std::uint8_t, const char *> cases[] = {{0, "000"},   {5, "005"},  {7, "007"},
                                                           {10, "010"},  {99, "099"}, {100, "100"},
                                                           {128, "128"}, {255, "255"}};
    for (const auto &[value, text] : cases)
        EXPECT_EQ(FormatDec3(value), text) << int(value);
}

// What actually reaches the port for each kind of command, prefix included.
TEST(ProtocolCommands, CommandsAsSentWithTheirPrefixes) {
    struct Case {
        const char *name;
        std::string text;
        std::uint8_t device;
        std::string_view sent;
    };
    LanSettings lan;
    lan.tcpPort = "8080";
    lan.mac = "00:1A:2B:3C:4D:5E";
    const Case cases[] = {
        {"status to all", buildGetStatus(), 0, "\r\nA00 GET STA\r\n"},
        {"status to 5", buildGetStatus(), 5, "\r\nA05 GET STA\r\n"},
        {"own address kept", buildGetAddress(), 42, "\r\nA00 GET ADDR\r\n"},
        {"set address kept", *buildSetAddress(5, 12), 7, "\r\nA05 SET ADDR 12\r\n"},
        {"border line two prefixes", buildSetBorderLine(15, 255, 0, 128), 12,
         "\r\nA12 SET BLW 015\r\n\r\nA12 SET BLC 255.000.128\r\n"},
        {"lan every line", *buildSetLan(lan), 3,
         "\r\nA03 SET DHCP 0\r\nA03 SET HIP 000.000.000.000\r\nA03 SET NMK 000.000.000.000\r\n"
         "A03 SET RIP000.000.000.000\r\nA03 SET TIP 8080\r\nA03 SET MAC 00:1A:2B:3C:4D:5E\r\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<std::string> sent = prefixText(c.text, c.device);
        ASSERT_TRUE(sent.has_value());
        EXPECT_EQ(escapeBytes(*sent), escapeBytes(c.sent));
    }
    EXPECT_EQ(prefixText(buildGetStatus(), 0)->size(), 15u);

    // The user EDID load has no leading line break: it goes out unchanged, whole.
    const std::array<std::uint8_t, 256> image{};
    const std::string load = *buildLoadUserEdid(2, 1, image);
    EXPECT_EQ(prefixText(load, 9), load);
}

} // namespace
} // namespace protocol
