// Unit tests of the simulator's pieces: command reading, stream framing, the switchers' replies
// read back at the console's positions, the EDID images, options and the state snapshot.
#include "ReplyReader.h"

#include "sim/CommandParser.h"
#include "sim/EdidCatalog.h"
#include "sim/ReplyFormatter.h"
#include "sim/SimOptions.h"
#include "sim/StateJson.h"
#include "sim/SwitcherLine.h"
#include "sim/WireDecoder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <set>
#include <unistd.h>

using namespace korvexsim;
using simtest::Reading;
using simtest::readReply;

namespace {

std::string frame(int device, int code, int checksumDelta = 0) {
    std::string f = {'\xAA',
                     '\x06',
                     '\x00',
                     '\x05',
                     '\x00',
                     '\x00',
                     static_cast<char>(device),
                     static_cast<char>(code & 0xFF),
                     static_cast<char>(code >> 8)};
    unsigned sum = 0;
    for (char c : f)
        sum += static_cast<unsigned char>(c);
    f += static_cast<char>((256 - (sum & 0xFF) + checksumDelta) & 0xFF);
    return f;
}

// ---- command reading ----

TEST(SimCommandParser, SplitsPrefixAndLineEnd) {
    struct Row {
        std::string line;
        bool ok;
        int address; // -1: no prefix
        std::string text;
    } rows[] = {
        {"A05 SET OUT3 VS IN7 \r", true, 5, "SET OUT3 VS IN7"},
        {"A00 GET STA\r", true, 0, "GET STA"},
        {"GET STA\r", true, -1, "GET STA"},
        {">@\r", true, -1, ">@"},
        {"A5 GET STA\r", false, 0, ""},
        {"AXX GET STA\r", false, 0, ""},
        {"A05 \r", false, 0, ""},
        {"A05GET STA", false, 0, ""},
        {"\r", false, 0, ""},
        {"GET\x01STA", false, 0, ""},
        {"GET \xAASTA", false, 0, ""},
    };
    for (const Row &r : rows) {
        auto split = CommandParser::splitLine(r.line);
        ASSERT_EQ(split.has_value(), r.ok) << r.line;
        if (!r.ok)
            continue;
        EXPECT_EQ(split->address.value_or(-1), r.address) << r.line;
        EXPECT_EQ(split->text, r.text) << r.line;
    }
}

TEST(SimCommandParser, ReadsEveryCommandOfTheIndex) {
    struct Row {
        std::string text;
        CommandKind kind;
        int port;
        int value;
        std::vector<int> values;
    } rows[] = {
        {"GET STA", CommandKind::GetStatus, 0, 0, {}},
        {"GET ADDR", CommandKind::GetAddress, 0, 0, {}},
        {"SET ADDR 12", CommandKind::SetAddress, 0, 12, {}},
        {"SET MVW MODE1", CommandKind::SetMvMode, 0, 1, {}},
        {"SET QVW MODE0", CommandKind::SetMvMode, 0, 0, {}},
        {"SET QVW VS 5.3.1.2", CommandKind::SetQvSources, 0, 0, {5, 3, 1, 2}},
        {"SET OUT0 MAS IN10", CommandKind::SetMvAudio, 0, 10, {}},
        {"SET OUT3 MAS IN5", CommandKind::SetMvAudio, 3, 5, {}},
        {"SET OUT9 VS IN10", CommandKind::SetRouting, 9, 10, {}},
        {"SET OUT3 VS IN7", CommandKind::SetRouting, 3, 7, {}},
        {"SET BLW 015", CommandKind::SetBorderWidth, 0, 15, {}},
        {"SET BLC 255.000.128", CommandKind::SetBorderColour, 0, 0, {255, 0, 128}},
        {"SET IN9 EDID 13", CommandKind::SetEdidChoice, 9, 13, {}},
        {"SET IN3 EDID 03", CommandKind::SetEdidChoice, 3, 3, {}},
        {"GET OUT9 EDID  DATA", CommandKind::GetOutputEdid, 9, 0, {}},
        {"GET IN4 EDID 2 DATA", CommandKind::GetInputEdid, 4, 2, {}},
        {"SET DHCP 1", CommandKind::SetDhcp, 0, 1, {}},
        {"SET HIP 192.168.001.010", CommandKind::SetHostIp, 0, 0, {192, 168, 1, 10}},
        {"SET NMK 255.255.255.000", CommandKind::SetNetMask, 0, 0, {255, 255, 255, 0}},
        {"SET RIP192.168.001.001", CommandKind::SetRouterIp, 0, 0, {192, 168, 1, 1}},
        {"SET TIP 8080", CommandKind::SetTcpPort, 0, 8080, {}},
        {"SET EXA MODE2", CommandKind::SetAudioMode, 0, 2, {}},
        {"SET OUT1 EAS IN9", CommandKind::SetAudioRouting, 1, 9, {}},
        {"SET 4 EXA EN", CommandKind::SetAudioEnable, 4, 0, {}},
        {"SET 4 EXA DIS", CommandKind::SetAudioEnable, 4, 1, {}},
        {"SET IRT OUT0 IS IN3", CommandKind::SetIrRoute, 0, 3, {}},
        {"SET IR EXT SW 0.1.0.0.0.0.0.0.0.1.0.0.0",
         CommandKind::SetIrExtSwitch,
         0,
         0,
         {0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}},
        {"SET IRC MUX 1.0.0.0.0.0.0.0.1", CommandKind::SetIrEmitter, 0, 0, {1, 0, 0, 0, 0, 0, 0, 0, 1}},
        {"SET RS MUX 0.1.0.0.1.0.0.0.0", CommandKind::SetRs232, 0, 0, {0, 1, 0, 0, 1, 0, 0, 0, 0}},
        {"SET OUT3 VW XYZ 0640.0000.1279.0359.090", CommandKind::SetWallRect, 3, 0, {640, 0, 1279, 359, 90}},
        {">@", CommandKind::Probe, 0, 0, {}},
    };
    for (const Row &r : rows) {
        auto cmd = CommandParser::parse(r.text);
        ASSERT_TRUE(cmd.has_value()) << r.text;
        EXPECT_EQ(cmd->kind, r.kind) << r.text;
        EXPECT_EQ(cmd->port, r.port) << r.text;
        EXPECT_EQ(cmd->value, r.value) << r.text;
        EXPECT_EQ(cmd->values, r.values) << r.text;
    }
}

TEST(SimCommandParser, ReadsTheMacAndUserEdidLoad) {
    auto mac = CommandParser::parse("SET MAC 00-1a-2B-3c-4D-5e");
    ASSERT_TRUE(mac);
    EXPECT_EQ(mac->text, "00-1a-2B-3c-4D-5e");

    std::string load = "SET IN2 EDID U3 DATA";
    for (int i = 0; i < 256; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, " %02X", (i * 7) & 0xFF);
        load += pair;
    }
    auto cmd = CommandParser::parse(load);
    ASSERT_TRUE(cmd);
    EXPECT_EQ(cmd->kind, CommandKind::LoadUserEdid);
    EXPECT_EQ(cmd->port, 2);
    EXPECT_EQ(cmd->value, 3);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(cmd->edid[static_cast<std::size_t>(i)], (i * 7) & 0xFF) << i;
    // One pair short, or a pair too many, is not a load.
    EXPECT_FALSE(CommandParser::parse(load.substr(0, load.size() - 3)));
    EXPECT_FALSE(CommandParser::parse(load + " 00"));
}

TEST(SimCommandParser, RefusesMalformedCommands) {
    const char *rows[] = {
        "SET OUT10 VS IN3",
        "SET OUT3 VS IN0",
        "SET OUT3 VS IN11",
        "SET OUT3 VS IN",
        "SET OUT3 VS IN7 X",
        "set out3 vs in7",
        "SET OUT3  VS IN7",
        "SET MVW MODE2",
        "SET QVW VS 1.2.3",
        "SET QVW VS 1.2.3.4.5",
        "SET OUT3 MAS IN0",
        "SET BLW 16",
        "SET BLW 1234",
        "SET BLW",
        "SET BLC 256.000.000",
        "SET BLC 1.2",
        "SET IN0 EDID 01",
        "SET IN1 EDID 14",
        "SET IN1 EDID 123",
        "GET OUT0 EDID  DATA",
        "GET IN1 EDID 5 DATA",
        "SET IN1 EDID U4 DATA 00",
        "SET DHCP 2",
        "SET HIP 256.1.1.1",
        "SET HIP 1.2.3",
        "SET TIP 0",
        "SET TIP 12345",
        "SET TIP abcd",
        "SET MAC 00-11-22-33-44",
        "SET MAC 00-11-22-33-44-GG",
        "SET EXA MODE3",
        "SET OUT1 EAS IN10",
        "SET 4 EXA ON",
        "SET 10 EXA EN",
        "SET IRT OUT1 IS IN5",
        "SET IR EXT SW 1.1.1",
        "SET IRC MUX 1.0.1.0.1.0.1.0.2",
        "SET RS MUX 1.0.1.0.1.0.1.0",
        "SET OUT3 VW XYZ 0640.0000.1279.0359.045",
        "SET OUT3 VW XYZ 1920.0000.1919.0359.000",
        "SET OUT3 VW XYZ 0100.0100.0050.0200.000",
        "SET OUT3 VW XYZ 640.0.1279.359.90",
        "SET ADDR 5",
        "SET ADDR 100",
        "GET STA NOW",
        "GET",
        "",
        ">@@",
        "HELLO",
    };
    for (const char *text : rows)
        EXPECT_FALSE(CommandParser::parse(text)) << text;
}

// ---- stream framing ----

std::vector<WireDecoder::Event> feedAll(WireDecoder &d, const std::string &bytes) {
    std::vector<WireDecoder::Event> ev;
    d.feed(bytes, WireDecoder::Clock::now(), ev);
    return ev;
}

std::vector<std::string> linesOf(const std::vector<WireDecoder::Event> &ev) {
    std::vector<std::string> lines;
    for (const auto &e : ev)
        if (e.kind == WireDecoder::Event::Line)
            lines.push_back(e.bytes);
    return lines;
}

int countKind(const std::vector<WireDecoder::Event> &ev, WireDecoder::Event::Kind kind) {
    int n = 0;
    for (const auto &e : ev)
        n += e.kind == kind;
    return n;
}

TEST(SimWireDecoder, LinesSpanReadsAndKeepTheirCr) {
    WireDecoder d;
    auto ev = feedAll(d, "\r\nA01 GET");
    EXPECT_EQ(linesOf(ev), std::vector<std::string>{"\r"});
    ev = feedAll(d, " STA\r\n");
    EXPECT_EQ(linesOf(ev), std::vector<std::string>{"A01 GET STA\r"});
}

TEST(SimWireDecoder, FrameWithLineFeedBytesIsOneFrame) {
    // Device 10 puts 0x0A inside the frame; it must not end a line.
    WireDecoder d;
    std::string f = frame(10, 0x7802);
    auto ev = feedAll(d, "\r\nA01 GET ADDR\r\n" + f + "\r\nA01 GET STA\r\n");
    ASSERT_EQ(countKind(ev, WireDecoder::Event::Frame), 1);
    for (const auto &e : ev)
        if (e.kind == WireDecoder::Event::Frame) {
            EXPECT_EQ(e.bytes, f);
        }
    EXPECT_EQ(linesOf(ev), (std::vector<std::string>{"\r", "A01 GET ADDR\r", "\r", "A01 GET STA\r"}));
}

TEST(SimWireDecoder, BrokenFramesGiveBackTheBytesBehindThem) {
    struct Row {
        const char *name;
        std::string bytes;
    } rows[] = {
        {"bad checksum", frame(1, 0x7802, 1)},
        {"wrong second byte", std::string("\xAA\x07", 2)},
        {"length too big", std::string("\xAA\x06\x00\x2E\x01", 5)}, // 302: one past the longest frame
        {"length too small", std::string("\xAA\x06\x00\x04\x00", 5)},
        {"truncated", frame(1, 0x7802).substr(0, 7)},
    };
    for (const Row &r : rows) {
        WireDecoder d;
        auto ev = feedAll(d, r.bytes + "\r\nA01 GET ADDR\r\n");
        EXPECT_EQ(countKind(ev, WireDecoder::Event::Frame), 0) << r.name;
        EXPECT_GE(countKind(ev, WireDecoder::Event::BadFrame), 1) << r.name;
        auto lines = linesOf(ev);
        ASSERT_FALSE(lines.empty()) << r.name;
        EXPECT_EQ(lines.back(), "A01 GET ADDR\r") << r.name;
    }
}

TEST(SimWireDecoder, StalledFrameIsGivenUpAfterItsTimeout) {
    WireDecoder d;
    auto t0 = WireDecoder::Clock::now();
    std::vector<WireDecoder::Event> ev;
    // Declares 288 bytes, sends a command's worth, then nothing more arrives.
    d.feed(std::string("\xAA\x06\x00\x20\x01", 5) + "\r\nA01 GET ADDR\r\n", t0, ev);
    EXPECT_TRUE(linesOf(ev).empty());
    ASSERT_TRUE(d.deadline().has_value());
    d.expire(t0 + WireDecoder::kFrameTimeout / 2, ev);
    EXPECT_TRUE(linesOf(ev).empty());
    d.expire(t0 + WireDecoder::kFrameTimeout, ev);
    EXPECT_EQ(countKind(ev, WireDecoder::Event::BadFrame), 1);
    ASSERT_FALSE(linesOf(ev).empty());
    EXPECT_EQ(linesOf(ev).back(), "A01 GET ADDR\r");
    EXPECT_FALSE(d.deadline().has_value());
}

TEST(SimWireDecoder, OverlongLineIsDroppedWholeAndTheNextOneRead) {
    WireDecoder d(64);
    std::vector<WireDecoder::Event> ev;
    std::string exact(64, 'x');
    d.feed(exact + "\n", WireDecoder::Clock::now(), ev);
    EXPECT_EQ(linesOf(ev), std::vector<std::string>{exact});
    ev.clear();
    std::string junk(1000, 'y');
    for (std::size_t i = 0; i < junk.size(); i += 100)
        d.feed(junk.substr(i, 100), WireDecoder::Clock::now(), ev);
    d.feed("\r\nA01 GET ADDR\r\n", WireDecoder::Clock::now(), ev);
    ASSERT_EQ(countKind(ev, WireDecoder::Event::Overlong), 1);
    for (const auto &e : ev)
        if (e.kind == WireDecoder::Event::Overlong) {
            EXPECT_EQ(e.dropped, 1001u); // the y's and the CR before the LF
        }
    EXPECT_EQ(linesOf(ev), std::vector<std::string>{"A01 GET ADDR\r"});
}

TEST(SimWireDecoder, RandomStreamsNeverStopTheLineFromAnswering) {
    // Random bytes, with command pieces, frame starts and line feeds mixed in so every state of
    // the decoder and the parser is reached; afterwards a plain command must still be answered.
    const std::string pieces[] = {"\r\n",    "A01 ",   "A00 ",    "SET ",         "OUT",  "VS IN",    "EDID ",
                                  "DATA ",   "MAS IN", "GET STA", "\xAA\x06\x00", "\xAA", "\x05\x00", " EXA ",
                                  "VW XYZ ", "10",     "."};
    for (unsigned seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        WireDecoder decoder;
        SwitcherLine line({1, 2});
        auto t = WireDecoder::Clock::now();
        for (int chunk = 0; chunk < 200; ++chunk) {
            std::string bytes;
            for (int i = 0; i < 64; ++i) {
                if (random() % 4 == 0)
                    bytes += pieces[random() % std::size(pieces)];
                else
                    bytes += static_cast<char>(random() & 0xFF);
            }
            std::vector<WireDecoder::Event> ev;
            t += std::chrono::milliseconds(random() % 300);
            decoder.expire(t, ev);
            decoder.feed(bytes, t, ev);
            for (const auto &e : ev) {
                if (e.kind == WireDecoder::Event::Line)
                    line.handleLine(e.bytes);
                else if (e.kind == WireDecoder::Event::Frame)
                    line.handleFrame(e.bytes);
            }
        }
        std::vector<WireDecoder::Event> ev;
        t += WireDecoder::kFrameTimeout;
        decoder.expire(t, ev);
        decoder.feed("\r\nA02 GET ADDR\r\n", t, ev);
        ASSERT_FALSE(ev.empty());
        ASSERT_EQ(ev.back().kind, WireDecoder::Event::Line);
        SwitcherLine::Result r = line.handleLine(ev.back().bytes);
        ASSERT_EQ(r.replies.size(), 1u);
        EXPECT_EQ(r.replies[0].substr(0, 5), "ADDR ");
    }
}

// ---- replies read back at the console's positions ----

TEST(SimReplies, EveryValueReadsBackAtTheConsolesPositions) {
    DeviceState s = DeviceState::factory(1);
    for (int v = 1; v <= 10; ++v) {
        s.routing[2] = v;
        s.mvAudio[8] = v;
        Reading r = readReply(ReplyFormatter::routing(s, 3));
        EXPECT_EQ(r.row, 1);
        EXPECT_EQ(r.fields, (std::vector<int>{3, v}));
        r = readReply(ReplyFormatter::mvAudio(s, 9));
        EXPECT_EQ(r.row, 20);
        EXPECT_EQ(r.fields, (std::vector<int>{9, v}));
    }
    for (int w = 0; w <= 15; ++w) {
        s.borderWidth = w;
        Reading r = readReply(ReplyFormatter::borderWidth(s));
        EXPECT_EQ(r.row, 19);
        EXPECT_EQ(r.fields, std::vector<int>{w}) << ReplyFormatter::borderWidth(s);
    }
    for (int c = 0; c <= 13; ++c) {
        s.edidChoice[0] = c;
        Reading r = readReply(ReplyFormatter::edidChoice(s, 1));
        EXPECT_EQ(r.row, 2);
        EXPECT_EQ(r.fields, (std::vector<int>{1, c})) << ReplyFormatter::edidChoice(s, 1);
    }
    for (std::array<int, 3> colour : {std::array<int, 3>{0, 0, 0}, {5, 10, 255}, {255, 99, 100}}) {
        s.borderColour = colour;
        Reading r = readReply(ReplyFormatter::borderColour(s));
        EXPECT_EQ(r.row, 18);
        EXPECT_EQ(r.fields, (std::vector<int>{colour[0], colour[1], colour[2]}));
    }
    for (int port : {1, 80, 8000, 9999}) {
        s.lan.tcpPort = port;
        Reading r = readReply(ReplyFormatter::tcpPort(s));
        EXPECT_EQ(r.row, 7);
        EXPECT_EQ(r.text, std::to_string(port));
    }
    for (int a : {0, 7, 99}) {
        s.address = a;
        Reading r = readReply(ReplyFormatter::address(s));
        EXPECT_EQ(r.row, 21);
        EXPECT_EQ(r.fields, std::vector<int>{a});
    }
}

TEST(SimReplies, EveryStatusLineIsReadWholeAndNothingIsMistakenForAKeyword) {
    DeviceState s = DeviceState::factory(12);
    s.lan.host = {10, 0, 0, 1};
    s.mac = "AA-BB-CC-DD-EE-FF";
    s.audioMute[3] = 1;
    s.rs232 = {0, 1, 0, 0, 1, 0, 0, 0, 0};
    for (const std::string &line : ReplyFormatter::allStatus(s)) {
        Reading r = readReply(line);
        EXPECT_FALSE(r.outOfLine) << line;
        // The video-wall lines carry no keyword of the console; every other line carries one.
        if (line.find(" VW XYZ ") != std::string::npos) {
            EXPECT_EQ(r.row, 0) << line;
        } else
            EXPECT_NE(r.row, 0) << line;
    }
    EXPECT_EQ(readReply(ReplyFormatter::hostIp(s)).fields, (std::vector<int>{10, 0, 0, 1}));
    EXPECT_EQ(readReply(ReplyFormatter::mac(s)).text, "AA-BB-CC-DD-EE-FF");
    EXPECT_EQ(readReply(ReplyFormatter::audioEnable(s, 4)).fields, (std::vector<int>{4, 1}));
    EXPECT_EQ(readReply(ReplyFormatter::audioEnable(s, 5)).fields, (std::vector<int>{5, 0}));
    EXPECT_EQ(readReply(ReplyFormatter::rs232(s)).fields, (std::vector<int>{0, 1, 0, 0, 1, 0, 0, 0, 0}));
    // The probe answer and the EDID dump must not set anything when the console parses them.
    EXPECT_EQ(readReply(ReplyFormatter::probeAnswer(s)).row, 0);
    EXPECT_EQ(readReply(ReplyFormatter::edidDump("OUT3", EdidCatalog::sink(3))).row, 0);
    EXPECT_EQ(readReply(ReplyFormatter::edidDump("IN3 2", EdidCatalog::builtin(0))).row, 0);
}

// ---- the line of devices ----

TEST(SimSwitcherLine, AddressesReachTheirDevicesInAddressOrder) {
    SwitcherLine line({12, 1, 5});
    struct Row {
        std::string line;
        std::vector<std::string> replies;
    } rows[] = {
        {"A05 GET ADDR\r", {"ADDR 05\r\n"}},
        {"A07 GET ADDR\r", {}},
        {"A00 GET ADDR\r", {"ADDR 01\r\n", "ADDR 05\r\n", "ADDR 12\r\n"}},
        {"GET ADDR\r", {"ADDR 01\r\n", "ADDR 05\r\n", "ADDR 12\r\n"}},
        {"A01 SET ADDR 20\r", {"ADDR 20\r\n"}},
        {"A00 GET ADDR\r", {"ADDR 05\r\n", "ADDR 12\r\n", "ADDR 20\r\n"}},
    };
    for (const Row &r : rows) {
        SwitcherLine::Result result = line.handleLine(r.line);
        EXPECT_TRUE(result.recognised) << r.line;
        EXPECT_EQ(result.replies, r.replies) << r.line;
    }
    EXPECT_FALSE(line.handleLine("A01 SET OUT3 VS IN0\r").recognised);
}

TEST(SimSwitcherLine, ResetFrameReachesItsDeviceOnly) {
    SwitcherLine line({1, 5});
    line.handleLine("SET HIP 010.000.000.009\r");
    SwitcherLine::Result r = line.handleFrame(frame(5, 0x7802));
    ASSERT_TRUE(r.recognised);
    ASSERT_EQ(r.replies.size(), 1u);
    EXPECT_EQ(r.replies[0].rfind("DHCP 0\r\nHIP 192.168.001.100\r\n", 0), 0u);
    EXPECT_EQ(line.devices()[0].state().lan.host, (std::array<int, 4>{10, 0, 0, 9}));
    EXPECT_EQ(line.devices()[1].state().lan.host, (std::array<int, 4>{192, 168, 1, 100}));
    EXPECT_EQ(line.handleFrame(frame(0, 0x7802)).replies.size(), 2u);
    EXPECT_FALSE(line.handleFrame(frame(0, 0x7803)).recognised);
}

// The video-wall line carries its panel's own address: it changes that device's output only, and
// the state file shows the rectangle as it came over the wire.
TEST(SimSwitcherLine, WallLinesChangeTheOutputOfTheirOwnDevice) {
    SwitcherLine line({1, 5});
    const struct {
        const char *line;
        int address, output;
        std::array<int, 5> rect; // x1, y1, x2, y2, rotation
    } rows[] = {
        {"A05 SET OUT3 VW XYZ 0640.0000.1279.0359.090\r", 5, 3, {640, 0, 1279, 359, 90}},
        {"A05 SET OUT2 VW XYZ 0000.0000.1919.1079.180\r", 5, 2, {0, 0, 1919, 1079, 180}},
        {"A01 SET OUT9 VW XYZ 0960.0540.1919.1079.270\r", 1, 9, {960, 540, 1919, 1079, 270}},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.line);
        SwitcherLine::Result result = line.handleLine(r.line);
        EXPECT_TRUE(result.recognised);
        EXPECT_EQ(result.replies.size(), 1u);
    }
    const QJsonArray devices =
        QJsonDocument::fromJson(QByteArray::fromStdString(StateJson::render(line.devices(), {3, false})))
            .object()["devices"]
            .toArray();
    ASSERT_EQ(devices.size(), 2);
    auto rect = [&](int address, int output) {
        const QJsonObject w =
            devices[address == 1 ? 0 : 1].toObject()["wall"].toArray()[output - 1].toObject();
        return std::array<int, 5>{w["x1"].toInt(-1), w["y1"].toInt(-1), w["x2"].toInt(-1), w["y2"].toInt(-1),
                                  w["rotation"].toInt(-1)};
    };
    for (const auto &r : rows)
        EXPECT_EQ(rect(r.address, r.output), r.rect) << r.line;
    // The other device's output of the same number keeps its factory full frame.
    EXPECT_EQ(rect(1, 3), (std::array<int, 5>{0, 0, 1919, 1079, 0}));
    EXPECT_EQ(rect(5, 9), (std::array<int, 5>{0, 0, 1919, 1079, 0}));
}

TEST(SimDevice, HandMadeCommandsOutOfRangeAreRefused) {
    Device d(1);
    Command c;
    c.kind = CommandKind::SetRouting;
    c.port = 10;
    c.value = 3;
    EXPECT_TRUE(d.apply(c).empty());
    c.kind = CommandKind::SetIrExtSwitch;
    c.values = {1, 0};
    EXPECT_TRUE(d.apply(c).empty());
    c.kind = CommandKind::GetInputEdid;
    c.port = 1;
    c.value = 7;
    EXPECT_TRUE(d.apply(c).empty());
}

// ---- EDID images ----

// Walks the CEA data block collection; returns the tags in order, or nothing when a block runs
// past the timing offset.
std::optional<std::vector<int>> blockTags(const EdidImage &e) {
    std::vector<int> tags;
    std::size_t d = e[130];
    std::size_t pos = 132;
    while (pos < 128 + d) {
        tags.push_back(e[pos] >> 5);
        pos += (e[pos] & 0x1F) + 1u;
    }
    if (pos != 128 + d)
        return std::nullopt;
    return tags;
}

TEST(SimEdidCatalog, ImagesAreWellFormedAndEveryOutputDiffers) {
    std::vector<EdidImage> images = {EdidCatalog::builtin(0), EdidCatalog::builtin(1)};
    for (int o = 1; o <= 9; ++o)
        images.push_back(EdidCatalog::sink(o));
    std::set<EdidImage> distinct(images.begin(), images.end());
    EXPECT_EQ(distinct.size(), images.size());
    std::set<std::string> names;
    for (std::size_t n = 0; n < images.size(); ++n) {
        const EdidImage &e = images[n];
        SCOPED_TRACE(n);
        const std::uint8_t header[8] = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
        EXPECT_TRUE(std::equal(header, header + 8, e.begin()));
        unsigned base = 0, ext = 0;
        for (int i = 0; i < 128; ++i) {
            base += e[static_cast<std::size_t>(i)];
            ext += e[static_cast<std::size_t>(128 + i)];
        }
        EXPECT_EQ(base % 256, 0u);
        EXPECT_EQ(ext % 256, 0u);
        EXPECT_EQ(e[126], 1);
        EXPECT_EQ(e[128], 2);
        EXPECT_GE(e[130], 4);
        EXPECT_LE(e[130], 126);
        auto tags = blockTags(e);
        ASSERT_TRUE(tags.has_value());
        for (int tag : {1, 2, 3})
            EXPECT_NE(std::find(tags->begin(), tags->end(), tag), tags->end()) << "tag " << tag;
        // The vendor block is HDMI's (IEEE 00-0C-03).
        std::size_t pos = 132;
        while ((e[pos] >> 5) != 3)
            pos += (e[pos] & 0x1F) + 1u;
        EXPECT_EQ(e[pos + 1], 0x03);
        EXPECT_EQ(e[pos + 2], 0x0C);
        EXPECT_EQ(e[pos + 3], 0x00);
        // The preferred timing has a pixel clock, and a name descriptor is present.
        EXPECT_NE(e[54] | e[55], 0);
        std::string name;
        for (std::size_t i = 54; i <= 108; i += 18)
            if (e[i] == 0 && e[i + 1] == 0 && e[i + 3] == 0xFC)
                for (std::size_t k = i + 5; k < i + 18 && e[k] != 0x0A; ++k)
                    name += static_cast<char>(e[k]);
        EXPECT_FALSE(name.empty());
        names.insert(name);
    }
    EXPECT_EQ(names.size(), images.size());
}

// ---- options and the snapshot ----

TEST(SimOptions, ParsesWhatHelpDocuments) {
    std::string error;
    auto o = SimOptions::parse({"--addresses", "01,05,12",  "--link",  "COM1",    "--inject=f",
                                "--log",       "l",         "--state", "s",       "--pace",
                                "--silent",    "--garbage", "8",       "--flood", "--hangup-after",
                                "3",           "--delay",   "250",     "--seed",  "9"},
                               error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->addresses, (std::vector<int>{1, 5, 12}));
    EXPECT_EQ(o->link, "COM1");
    EXPECT_EQ(o->inject, "f");
    EXPECT_TRUE(o->pace && o->silent && o->flood);
    EXPECT_EQ(o->garbage, 8);
    EXPECT_EQ(o->hangupAfter, 3);
    EXPECT_EQ(o->delayMs, 250);
    EXPECT_EQ(o->seed, 9u);
    o = SimOptions::parse({"--edid-out", "3=a.bin", "--edid-out=9=b=c.bin"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->edidOut, (std::vector<std::pair<int, std::string>>{{3, "a.bin"}, {9, "b=c.bin"}}));
    for (const char *opt : {"--link", "--tcp", "--inject", "--log", "--state", "--addresses", "--pace",
                            "--silent", "--garbage", "--flood", "--hangup-after", "--delay", "--edid-out"})
        EXPECT_NE(SimOptions::helpText().find(opt), std::string::npos) << opt;

    const std::vector<std::vector<std::string>> bad = {
        {"--addresses", "1,100"},
        {"--addresses", "01,01"},
        {"--addresses", ""},
        {"--addresses", "a"},
        {"--garbage", "-1"},
        {"--hangup-after", "0"},
        {"--delay", "x"},
        {"--link"},
        {"--pace=1"},
        {"--what"},
        {"--addresses", "001"},
        {"--edid-out", "0=a.bin"},
        {"--edid-out", "10=a.bin"},
        {"--edid-out", "3"},
        {"--edid-out", "3="},
        {"--edid-out", "=a.bin"},
    };
    for (const auto &args : bad) {
        error.clear();
        EXPECT_FALSE(SimOptions::parse(args, error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(SimOptions, TcpEndpointDefaultsToLoopbackAndTakesIpv6InBrackets) {
    struct Row {
        std::vector<std::string> args;
        bool ok;
        std::string host = {};
        int port = 0;
    };
    const Row rows[] = {
        {{"--tcp", "8000"}, true, "127.0.0.1", 8000},
        {{"--tcp=0"}, true, "127.0.0.1", 0},
        {{"--tcp", "0.0.0.0:65535"}, true, "0.0.0.0", 65535},
        {{"--tcp", "localhost:23"}, true, "localhost", 23},
        {{"--tcp", "[::1]:8000"}, true, "::1", 8000},
        {{"--tcp", "::1:8000"}, false},
        {{"--tcp", "[::1]"}, false},
        {{"--tcp", ":8000"}, false},
        {{"--tcp", "65536"}, false},
        {{"--tcp", "host:"}, false},
        {{"--tcp", "8000", "--link", "COM1"}, false},
    };
    for (const Row &row : rows) {
        std::string error;
        const auto o = SimOptions::parse(row.args, error);
        ASSERT_EQ(o.has_value(), row.ok) << row.args[1] << ": " << error;
        if (o) {
            EXPECT_TRUE(o->tcp && o->tcpHost == row.host && o->tcpPort == row.port) << row.args[1];
        }
    }
}

TEST(SimStateJson, SnapshotIsValidJsonAndReplacedWhole) {
    SwitcherLine line({3, 1});
    line.handleLine("A03 SET OUT2 VS IN10\r");
    line.handleLine("A03 SET MAC 00-11-22-33-44-55\r");
    std::string text = StateJson::render(line.devices(), {4, false});
    QJsonParseError err{};
    QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(text), &err).object();
    ASSERT_EQ(err.error, QJsonParseError::NoError) << err.errorString().toStdString();
    EXPECT_EQ(root["commands"].toInt(), 4);
    QJsonArray devices = root["devices"].toArray();
    ASSERT_EQ(devices.size(), 2);
    EXPECT_EQ(devices[0].toObject()["address"].toInt(), 1);
    QJsonObject three = devices[1].toObject();
    EXPECT_EQ(three["routing"].toArray()[1].toInt(), 9);
    EXPECT_EQ(three["lan"].toObject()["mac"].toString(), "00-11-22-33-44-55");
    EXPECT_EQ(three["userEdid"].toArray()[8].toArray()[2].toString().size(), 512);

    auto dir = std::filesystem::temp_directory_path() / ("simstate-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string path = (dir / "state.json").string();
    ASSERT_TRUE(StateJson::writeAtomically(path, "old"));
    ASSERT_TRUE(StateJson::writeAtomically(path, text));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    EXPECT_EQ(std::filesystem::file_size(path), text.size());
    EXPECT_FALSE(StateJson::writeAtomically((dir / "missing" / "state.json").string(), text));
    std::filesystem::remove_all(dir);
}

} // namespace
