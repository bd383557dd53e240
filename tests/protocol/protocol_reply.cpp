#include "protocol/ReplyDecoder.h"
#include "protocol_print.h"

#include <gtest/gtest.h>

namespace protocol {
namespace {

constexpr std::nullopt_t none = std::nullopt;

struct ReplyCase {
    std::string_view line;
    Reply expected;
};

void expectDecodes(std::initializer_list<ReplyCase> cases) {
    for (const ReplyCase &c : cases)
        EXPECT_EQ(decodeReply(c.line), c.expected) << "line: " << escapeBytes(c.line);
}

IpAddressFields ip(std::optional<std::uint8_t> a, std::optional<std::uint8_t> b,
                   std::optional<std::uint8_t> c, std::optional<std::uint8_t> d) {
    return IpAddressFields{{a, b, c, d}};
}

template <std::size_t N> std::array<std::optional<bool>, N> flagsFrom(std::string_view ones) {
    std::array<std::optional<bool>, N> out;
    for (std::size_t i = 0; i < N; ++i)
        out[i] = i < ones.size() ? std::optional<bool>(ones[i] == '1') : std::nullopt;
    return out;
}

TEST(ProtocolReply, Routing) {
    expectDecodes({
        {"OUT3 VS IN7 \r\n", RoutingReply{3, 7}},
        {"OUT3 VS IN10\r\n", RoutingReply{3, 10}},
        {"OUT4 VS IN10\r\n", RoutingReply{4, 10}},
        {"OUT9 VS IN1\r\n", RoutingReply{9, 1}},
        {"OUT3 VS IN7", RoutingReply{3, 7}},
        {"OUT0 VS IN5 \r\n", RoutingReply{none, 5}}, // no valid output, the page still refreshes
        {"OUTA VS IN5 \r\n", RoutingReply{none, 5}},
        {"1VS IN3\r\n", RoutingReply{none, 3}}, // k = 1: the output would sit before the line
        {"OUT3 VS IN\r\n", RoutingReply{3, none}},
        {"OUT3 VS IN1\r\n", RoutingReply{3, 1}},
        {"OUT3 VS IN11\r\n", RoutingReply{3, 1}},
        {"OUT3 VS INx\r\n", RoutingReply{3, 'x' - '0'}}, // raw: out of range, no radio
        {"VS IN3\r\n", NoKeyword{}},                     // found at 0 only: not this row
        {"VS IN3 IN1 EDID 05\r\n", EdidChoiceReply{1, 5}},
        {"OUT2 VS IN4 EDID 03\r\n", RoutingReply{2, 4}}, // the first row found wins
        {std::string_view("\0\xFFOUT2 VS IN4 \r\n", 16), RoutingReply{2, 4}},
    });
}

TEST(ProtocolReply, EdidChoice) {
    expectDecodes({
        {"IN1 EDID 3\r\n", EdidChoiceReply{1, 3}},
        {"IN1 EDID 13\r\n", EdidChoiceReply{1, 13}},
        {"IN9 EDID 00\r\n", EdidChoiceReply{9, 0}},
        {"IN4 EDID 07\r\n", EdidChoiceReply{4, 7}},
        {"OUT3 EDID DATA 00ffffffffffff00\r\n", NoKeyword{}}, // a dump no capture took
        {"IN1 EDID 3", EdidChoiceReply{1, 3}},
        {"IN1 EDID 3\n", EdidChoiceReply{1, 3}},
        {"IN1 EDID 3\r 5\r\n", EdidChoiceReply{1, 3}}, // CR at k + 6 ends the value
        {"IN1 EDID 3 \r\n", EdidChoiceReply{1, 3 * 10 + (' ' - '0')}},
        {"IN1 EDID \r\n", EdidChoiceReply{1, none}},
        {"IN0 EDID 3\r\n", EdidChoiceReply{none, 3}},
        {"N EDID 3\r\n", EdidChoiceReply{none, 3}},
        {"EDID 3\r\n", NoKeyword{}},
    });
}

TEST(ProtocolReply, MacAndTcpPort) {
    expectDecodes({
        {"MAC 00:1A:2B:3C:4D:5E\r\n", MacReply{"00:1A:2B:3C:4D:5E"}},
        {"MAC 00:1A:2B:3C:4D:5E", MacReply{"00:1A:2B:3C:4D:5E"}},
        {"XMAC 00:1A:2B:3C:4D:5EFF\r\n", MacReply{"00:1A:2B:3C:4D:5E"}},
        {"MAC 00:1A:2B:3C:4D:5\r\n", MacReply{none}},
        {"MAC 00:1A\r\n", MacReply{none}},
        {"TIP 8080\r\n", TcpPortReply{"8080"}},
        {"TIP 80\r\n", TcpPortReply{"80"}},
        {"TIP 123456\r\n", TcpPortReply{"1234"}},
        {"TIP 80", TcpPortReply{"80"}},
        {"TIP 8\r0\r\n", TcpPortReply{"8"}},
        {"TIP \r\n", TcpPortReply{""}},
        {"DHCP 0 TIP 8080\r\n", TcpPortReply{"8080"}}, // "TIP " comes first in the table
    });
}

TEST(ProtocolReply, IpAddresses) {
    expectDecodes({
        {"HIP 192.168.001.010\r\n", HostIpReply{ip(192, 168, 1, 10)}},
        {"NMK 255.255.255.000\r\n", NetMaskReply{ip(255, 255, 255, 0)}},
        {"RIP 192.168.001.001\r\n", RouterIpReply{ip(192, 168, 1, 1)}},
        {"HIP 300.256.999.000\r\n", HostIpReply{ip(44, 0, 231, 0)}},    // modulo 256
        {"HIP 19x.168.001.010\r\n", HostIpReply{ip(6, 168, 1, 10)}},    // raw: 190 + 72
        {"HIP 192.168.001.01\r\n", HostIpReply{ip(192, 168, 1, none)}}, // short last field
        {"HIP 192.168\r\n", HostIpReply{ip(192, 168, none, none)}},
        {"HIP \r\n", HostIpReply{ip(none, none, none, none)}},
        {"NMK HIP 255.255.255.000\r\n",
         HostIpReply{ip(122, 255, 255, 255)}}, // fixed positions: "HIP" read raw
    });
}

TEST(ProtocolReply, Dhcp) {
    expectDecodes({
        {"DHCP 0\r\n", DhcpReply{false}},
        {"DHCP 1\r\n", DhcpReply{true}},
        {"DHCP x\r\n", DhcpReply{true}},
        {"DHCP \r\n", DhcpReply{none}},
        {"XDHCP 0\r\n", DhcpReply{true}}, // the character at 5 is the space
    });
}

TEST(ProtocolReply, SettingsPageRows) {
    expectDecodes({
        {"OUT1 EAS IN9\r\n", AudioRouteReply{1, 9}},
        {"OUT9 EAS IN1\r\n", AudioRouteReply{9, 1}},
        {"OUT0 EAS IN9\r\n", AudioRouteReply{none, 9}},
        {"OUT1 EAS IN\r\n", AudioRouteReply{1, none}},
        {"OUT4 EXA EN\r\n", AudioOnReply{4, false}},
        {"OUT4 EXA DIS\r\n", AudioOnReply{4, true}},
        {"OUT4 EXA \r\n", AudioOnReply{4, none}},
        {"OUT4EXA EN\r\n", NoKeyword{}}, // " EXA " needs both spaces
        {"EXA MODE2\r\n", AudioModeReply{2}},
        {"EXA MODE0\r\n", AudioModeReply{0}},
        {"EXA MODE\r\n", AudioModeReply{none}},
        {"RS MUX 0.1.0.0.1.0.0.0.0\r\n", RsMuxReply{flagsFrom<9>("010010000")}},
        {"RS MUX 1.1\r\n", RsMuxReply{flagsFrom<9>("11")}},
        {"RS MUX 2.1.x.1.1.1.1.1.1\r\n", RsMuxReply{flagsFrom<9>("010111111")}},
        {"IRT OUT1 IS IN3\r\n", IrRouteReply{1, 3}},
        {"IRT OUT0 IS IN3\r\n", IrRouteReply{none, 3}},
        {"IRT OUT9 IS IN\r\n", IrRouteReply{9, none}},
        {"IR EXT SW 0.1.0.0.0.0.0.0.0.1.0.0.0\r\n",
         IrSwitchReply{flagsFrom<9>("010000000"), flagsFrom<4>("1000")}},
        {"IR EXT SW 1.1.1.1.1.1.1.1.1.0.0.0.1\r\n",
         IrSwitchReply{flagsFrom<9>("111111111"), flagsFrom<4>("0001")}},
        {"IR EXT SW 1.1.1.1.1.1.1.1.1\r\n", IrSwitchReply{flagsFrom<9>("111111111"), flagsFrom<4>("")}},
        {"IRC MUX 1.0.0.0.0.0.0.0.1\r\n", IrEmitterReply{flagsFrom<9>("100000001")}},
        {"IRC MUX \r\n", IrEmitterReply{flagsFrom<9>("")}},
    });
}

TEST(ProtocolReply, MultiviewRows) {
    expectDecodes({
        {"MVW MODE0\r\n", MvModeReply{0}},
        {"MVW MODE1\r\n", MvModeReply{1}},
        {"MVW MODE7\r\n", MvModeReply{1}},
        {"MVW MODE\r\n", MvModeReply{none}},
        {"QVW VS 3.5.1.2\r\n", QvSourcesReply{{3, 5, 1, 2}}},
        {"QVW VS 0.5.1.9\r\n", QvSourcesReply{{0, 5, 1, 9}}},
        {"QVW VS 3.5\r\n", QvSourcesReply{{3, 5, none, none}}},
        {"QVW VS 3.x.1.2\r\n", QvSourcesReply{{3, 'x' - '0', 1, 2}}},
        {"OUT3 MAS IN5 \r\n", MvAudioReply{3, 5}},
        {"OUT0 MAS IN10\r\n", MvAudioReply{0, 10}},
        {"OUT9 MAS IN1\r\n", MvAudioReply{9, 1}},
        {"OUT3 MAS IN\r\n", MvAudioReply{3, none}},
        {"OUTx MAS IN5 \r\n", MvAudioReply{none, 5}},
        {"OUT3MAS IN5 \r\n", NoKeyword{}}, // " MAS " needs both spaces
    });
}

TEST(ProtocolReply, BorderLine) {
    expectDecodes({
        {"BLC 5.10.255\r\n", BorderColourReply{5, 10, 255}},
        {"BLC 255.000.128\r\n", BorderColourReply{255, 0, 128}},
        {"BLC 5.10.7\n", BorderColourReply{5, 10, 7}},
        {"BLC 5.10.7", BorderColourReply{5, 10, 7}},
        {"BLC 5.10.2555\r\n", BorderColourReply{5, 10, 255}}, // no fourth digit
        {"BLC 5.10.\r\n", BorderColourReply{5, 10, none}},
        {"BLC 5.10\r\n", BorderColourReply{5, none, none}},
        {"BLC 5\r\n", BorderColourReply{none, none, none}},
        {"BLC \r\n", BorderColourReply{none, none, none}},
        {"BLW 19\r\n", BorderWidthReply{1}},
        {"BLW 12\r\n", BorderWidthReply{12}},
        {"BLW 15\r\n", BorderWidthReply{15}},
        {"BLW 10\r\n", BorderWidthReply{10}},
        {"BLW 05\r\n", BorderWidthReply{5}},
        {"BLW 7\r\n", BorderWidthReply{7}},
        {"BLW 7", BorderWidthReply{7}},
        {"BLW 16\r\n", BorderWidthReply{1}},
        {"BLW \r\n", BorderWidthReply{none}},
    });
}

TEST(ProtocolReply, Address) {
    expectDecodes({
        {"ADDR 25\r\n", AddressReply{25}},
        {"ADDR 00\r\n", AddressReply{0}},
        {"ADDR 99", AddressReply{99}},
        {" ADDR 25\r\n", NoKeyword{}},
        {"ADDR 2\r\n", AddressReply{none}},
        {"ADDR x5\r\n", AddressReply{none}},
    });
}

TEST(ProtocolReply, LinesWithoutKeywords) {
    expectDecodes({
        {"", NoKeyword{}},
        {"\n", NoKeyword{}},
        {"\r\n", NoKeyword{}},
        {"OK\r\n", NoKeyword{}},
        {"mac 00:1a:2b:3c:4d:5e\r\n", NoKeyword{}}, // keywords are case-sensitive
        {std::string_view("\0\0\0\n", 4), NoKeyword{}},
        {std::string_view("\xAA\x06\x00\x05\x00\x00\x05\x02\x78\xCC\n", 11), NoKeyword{}}, // a frame
    });
}

// Every row has at least one case above; this also pins the keyword table to the row numbers.
TEST(ProtocolReply, RowNumberIsTheRecordIndex) {
    const std::string_view lines[] = {"OUT1 VS IN1 ",
                                      "IN1 EDID 00",
                                      "MAC 00:00:00:00:00:00",
                                      "HIP 000.000.000.000",
                                      "NMK 000.000.000.000",
                                      "RIP 000.000.000.000",
                                      "TIP 8080",
                                      "DHCP 0",
                                      "OUT1 EAS IN1",
                                      "OUT1 EXA EN",
                                      "EXA MODE0",
                                      "RS MUX 0.0.0.0.0.0.0.0.0",
                                      "IRT OUT1 IS IN1",
                                      "IR EXT SW 0.0.0.0.0.0.0.0.0.0.0.0.0",
                                      "IRC MUX 0.0.0.0.0.0.0.0.0",
                                      "MVW MODE0",
                                      "QVW VS 1.2.3.4",
                                      "BLC 0.0.0",
                                      "BLW 0",
                                      "OUT1 MAS IN1 ",
                                      "ADDR 01"};
    static_assert(std::size(lines) == kReplyKeywords.size());
    for (std::size_t row = 1; row <= std::size(lines); ++row) {
        const std::string_view line = lines[row - 1];
        EXPECT_NE(line.find(kReplyKeywords[row - 1]), std::string_view::npos) << row;
        EXPECT_EQ(decodeReply(line).index(), row) << line;
    }
}

} // namespace
} // namespace protocol
