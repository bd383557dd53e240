// korvex-sim driven over its pseudo-terminal the way the console drives it: CR LF, address prefix,
// command, CR LF; replies read at the positions the console's parser reads, the state checked in
// the --state snapshot, the wire in the --log file.
#include "PtyClient.h"
#include "ReplyReader.h"

#include "SimProcess.h"
#include "TempDir.h"
#include "WaitFor.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using simtest::Reading;
using simtest::readReply;

namespace {

struct Expect {
    int row;
    std::vector<int> fields;
    std::string text = {};
};

// Reads a value of a device object by a path such as "lan/host" or "wall/2/x1".
QJsonValue at(QJsonValue v, const std::string &path) {
    for (const QString &part : QString::fromStdString(path).split('/')) {
        bool isIndex = false;
        int index = part.toInt(&isIndex);
        v = isIndex ? v.toArray().at(index) : v.toObject().value(part);
    }
    return v;
}

std::string resetFrame(int device, int checksumDelta = 0) {
    std::string f = {'\xAA', '\x06', '\x00', '\x05', '\x00', '\x00', static_cast<char>(device),
                     '\x02', '\x78'};
    unsigned sum = 0;
    for (char c : f)
        sum += static_cast<unsigned char>(c);
    f += static_cast<char>((256 - (sum & 0xFF) + checksumDelta) & 0xFF);
    return f;
}

class SimWire : public ::testing::Test {
protected:
    void start(std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"--state", "sim.json", "--log", "sim.log", "--inject", "sim.fifo"};
        args.insert(args.end(), extra.begin(), extra.end());
        ASSERT_TRUE(sim.start(args)) << sim.error();
        ASSERT_TRUE(pty.open(sim.slavePath())) << sim.slavePath();
    }
    QJsonObject state() { return testsupport::readSimState(cwd.file("sim.json")); }
    QJsonObject device(int address) { return testsupport::simDevice(state(), address); }
    bool waitCommands(int n) {
        return testsupport::waitFor([&] { return state().value("commands").toInt() >= n; });
    }
    std::vector<std::string> log(const std::string &tag) {
        return testsupport::simLogEntries(cwd.file("sim.log"), tag);
    }
    // Asks device 01 for its address: the next line must be its answer, so nothing was sent in between.
    void expectNothingPendingThenAnswer(const std::string &context, const std::string &prefix = "A01 ",
                                        const std::string &answer = "ADDR 01") {
        ASSERT_TRUE(pty.command("GET ADDR", prefix));
        EXPECT_EQ(pty.readLine().value_or("<none>"), answer) << context;
    }

    testsupport::ScopedTempCwd cwd;
    testsupport::SimProcess sim;
    simtest::PtyClient pty;
};

// Every command of the index, sent to device 01: the reply lines as the console reads them and
// the state they leave.
TEST_F(SimWire, EveryCommandAnswersWithTheStatusLinesItChanged) {
    ASSERT_NO_FATAL_FAILURE(start());
    auto nine = [](int row, int value) {
        std::vector<Expect> v;
        for (int o = 1; o <= 9; ++o)
            v.push_back({row, {o, value}});
        return v;
    };
    struct Row {
        std::string command;
        std::vector<Expect> replies;
        std::string path;
        QJsonValue value;
    } rows[] = {
        {"SET OUT3 VS IN7 ", {{1, {3, 7}}}, "routing/2", 6},
        {"SET OUT4 VS IN10", {{1, {4, 10}}}, "routing/3", 9},
        {"SET OUT0 VS IN5 ", nine(1, 5), "routing/8", 4},
        {"SET MVW MODE1", {{16, {1}}}, "mvMode", 1},
        {"SET QVW MODE0", {{16, {0}}}, "mvMode", 0},
        {"SET QVW VS 5.3.1.2", {{17, {5, 3, 1, 2}}}, "qvSources/0", 4},
        {"SET OUT3 MAS IN5 ", {{20, {3, 5}}}, "mvAudio/2", 5},
        {"SET OUT0 MAS IN10", nine(20, 10), "mvAudio/8", 10},
        {"SET BLW 012", {{19, {12}}}, "borderWidth", 12},
        {"SET BLW 007", {{19, {7}}}, "borderWidth", 7},
        {"SET BLC 255.000.128", {{18, {255, 0, 128}}}, "borderColour/2", 128},
        {"SET IN3 EDID 03", {{2, {3, 3}}}, "edidChoice/2", 3},
        {"SET IN9 EDID 13", {{2, {9, 13}}}, "edidChoice/8", 13},
        {"SET DHCP 1", {{8, {1}}}, "lan/dhcp", 1},
        {"SET DHCP 0", {{8, {0}}}, "lan/dhcp", 0},
        {"SET HIP 010.000.000.001", {{4, {10, 0, 0, 1}}}, "lan/host", "10.0.0.1"},
        {"SET NMK 255.255.000.000", {{5, {255, 255, 0, 0}}}, "lan/mask", "255.255.0.0"},
        {"SET RIP010.000.000.254", {{6, {10, 0, 0, 254}}}, "lan/router", "10.0.0.254"},
        {"SET TIP 8080", {{7, {}, "8080"}}, "lan/tcpPort", 8080},
        {"SET MAC 00-11-22-AA-BB-CC", {{3, {}, "00-11-22-AA-BB-CC"}}, "lan/mac", "00-11-22-AA-BB-CC"},
        {"SET EXA MODE2", {{11, {2}}}, "audioMode", 2},
        {"SET OUT1 EAS IN9", {{9, {1, 9}}}, "audioRouting/0", 8},
        {"SET 4 EXA DIS", {{10, {4, 1}}}, "audioMute/3", 1},
        {"SET 5 EXA DIS", {{10, {5, 1}}}, "audioMute/4", 1},
        {"SET 4 EXA EN ", {{10, {4, 0}}}, "audioMute/3", 0},
        {"SET IRT OUT0 IS IN3", nine(13, 3), "irRoute/5", 2},
        {"SET IRT OUT2 IS IN4", {{13, {2, 4}}}, "irRoute/1", 3},
        {"SET IR EXT SW 0.1.0.0.0.0.0.0.0.1.0.0.0",
         {{14, {0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}}},
         "irExtSwitch/9",
         1},
        {"SET IRC MUX 1.0.1.0.1.0.1.0.1", {{15, {1, 0, 1, 0, 1, 0, 1, 0, 1}}}, "irEmitter/1", 0},
        {"SET RS MUX 0.1.0.0.1.0.0.0.0", {{12, {0, 1, 0, 0, 1, 0, 0, 0, 0}}}, "rs232/4", 1},
        {"SET OUT3 VW XYZ 0640.0000.1279.0359.090", {{0, {}}}, "wall/2/x2", 1279},
        {"GET ADDR", {{21, {1}}}, "address", 1},
    };
    int commands = 0;
    for (const Row &r : rows) {
        SCOPED_TRACE(r.command);
        ASSERT_TRUE(pty.command(r.command));
        std::vector<std::string> lines = pty.readLines(r.replies.size());
        ASSERT_EQ(lines.size(), r.replies.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            Reading got = readReply(lines[i]);
            EXPECT_FALSE(got.outOfLine) << lines[i];
            EXPECT_EQ(got.row, r.replies[i].row) << lines[i];
            EXPECT_EQ(got.fields, r.replies[i].fields) << lines[i];
            EXPECT_EQ(got.text, r.replies[i].text) << lines[i];
        }
        ASSERT_TRUE(waitCommands(++commands));
        EXPECT_EQ(at(device(1), r.path), r.value) << r.path;
    }
    // The wall line keeps the command's own layout.
    QJsonObject wall = at(device(1), "wall/2").toObject();
    EXPECT_EQ(wall["x1"].toInt(), 640);
    EXPECT_EQ(wall["y2"].toInt(), 359);
    EXPECT_EQ(wall["rotation"].toInt(), 90);
    expectNothingPendingThenAnswer("after the table");
    // Everything went over the wire once, as sent.
    std::vector<std::string> lines = log("LINE");
    ASSERT_GE(lines.size(), std::size(rows));
    EXPECT_EQ(lines[0], "A01 SET OUT3 VS IN7 \\r");
}

TEST_F(SimWire, LanSettingsInOneWriteAnswerLineByLine) {
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(
        pty.send("\r\nA01 SET DHCP 0\r\nA01 SET HIP 192.168.001.010\r\nA01 SET NMK 255.255.255.000\r\n"
                 "A01 SET RIP192.168.001.001\r\nA01 SET TIP 8080\r\n"));
    EXPECT_EQ(pty.readLines(5),
              (std::vector<std::string>{"DHCP 0", "HIP 192.168.001.010", "NMK 255.255.255.000",
                                        "RIP 192.168.001.001", "TIP 8080"}));
}

TEST_F(SimWire, ResetFrameRestoresLanSettingsAndBadChecksumIsIgnored) {
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(pty.command("SET HIP 010.001.002.003"));
    ASSERT_EQ(pty.readLine().value_or(""), "HIP 010.001.002.003");

    ASSERT_TRUE(pty.send(resetFrame(1, +1)));
    expectNothingPendingThenAnswer("bad checksum");
    EXPECT_EQ(at(device(1), "lan/host"), "10.1.2.3");

    ASSERT_TRUE(pty.send(resetFrame(1)));
    std::vector<std::string> lines = pty.readLines(6);
    ASSERT_EQ(lines.size(), 6u);
    std::vector<int> rows;
    for (const std::string &l : lines)
        rows.push_back(readReply(l).row);
    EXPECT_EQ(rows, (std::vector<int>{8, 4, 5, 6, 7, 3}));
    EXPECT_EQ(readReply(lines[1]).fields, (std::vector<int>{192, 168, 1, 100}));
    ASSERT_TRUE(waitCommands(3));
    EXPECT_EQ(at(device(1), "lan/host"), "192.168.1.100");
    EXPECT_EQ(log("FRAME").back(), "aa 06 00 05 00 00 01 02 78 d0");
    EXPECT_EQ(log("BADFRAME").size(), 1u);
}

TEST_F(SimWire, GetStaAnswersEveryStatusLineWithCompleteGroupsInOrder) {
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(pty.command("GET STA"));
    std::vector<std::string> lines;
    // Read until the answer to a following GET ADDR shows the status answer is complete.
    ASSERT_TRUE(pty.command("GET ADDR"));
    for (std::optional<std::string> l; (l = pty.readLine()) && *l != "ADDR 01";)
        lines.push_back(*l);

    std::map<int, std::vector<int>> groups; // row -> output/input digits in arrival order
    std::map<int, int> singles;
    int wallLines = 0;
    QJsonObject dev = device(1);
    for (const std::string &l : lines) {
        Reading r = readReply(l);
        ASSERT_FALSE(r.outOfLine) << l;
        switch (r.row) {
        case 1:
        case 2:
        case 9:
        case 10:
        case 13:
        case 20:
            groups[r.row].push_back(r.fields[0]);
            break;
        case 0:
            ++wallLines;
            break;
        default:
            ++singles[r.row];
        }
        if (r.row == 1) {
            EXPECT_EQ(r.fields[1] - 1, at(dev, "routing/" + std::to_string(r.fields[0] - 1)).toInt());
        }
        if (r.row == 20) {
            EXPECT_EQ(r.fields[1], at(dev, "mvAudio/" + std::to_string(r.fields[0] - 1)).toInt());
        }
    }
    const std::vector<int> inOrder = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    for (int row : {1, 2, 9, 10, 13, 20})
        EXPECT_EQ(groups[row], inOrder) << "row " << row;
    for (int row : {3, 4, 5, 6, 7, 8, 11, 12, 14, 15, 16, 17, 18, 19})
        EXPECT_EQ(singles[row], 1) << "row " << row;
    EXPECT_EQ(singles.count(21), 0u) << "GET STA does not answer with the address";
    EXPECT_EQ(wallLines, 9);
}

TEST_F(SimWire, ThreeDevicesAnswerGetStaInTurn) {
    ASSERT_NO_FATAL_FAILURE(start({"--addresses", "12,01,05"}));
    for (auto [prefix, width] : {std::pair{"A05 ", 5}, std::pair{"A12 ", 12}}) {
        ASSERT_TRUE(pty.command("SET BLW " + std::to_string(width), prefix));
        ASSERT_EQ(pty.readLine().value_or(""), "BLW " + std::to_string(width));
    }
    ASSERT_TRUE(pty.command("GET STA", "A00 "));
    std::vector<std::string> lines = pty.readLines(3 * 77);
    ASSERT_EQ(lines.size(), 3u * 77);
    const int expectedWidth[] = {1, 5, 12};
    const char *expectedMac[] = {"00-1C-91-4B-00-01", "00-1C-91-4B-00-05", "00-1C-91-4B-00-0C"};
    for (int block = 0; block < 3; ++block) {
        SCOPED_TRACE(block);
        std::vector<int> routingOutputs;
        for (int i = 0; i < 77; ++i) {
            Reading r = readReply(lines[static_cast<std::size_t>(block * 77 + i)]);
            if (r.row == 1)
                routingOutputs.push_back(r.fields[0]);
            if (r.row == 19) {
                EXPECT_EQ(r.fields[0], expectedWidth[block]);
            }
            if (r.row == 3) {
                EXPECT_EQ(r.text, expectedMac[block]);
            }
        }
        EXPECT_EQ(routingOutputs, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    }
    expectNothingPendingThenAnswer("after three blocks");
}

TEST_F(SimWire, AddressingReachesOnlyTheNamedDevice) {
    ASSERT_NO_FATAL_FAILURE(start({"--addresses", "05,07"}));
    struct Row {
        std::string prefix;
        std::string command;
        std::vector<std::string> replies;
        int routing5, routing7; // output 1 afterwards, 0-based
    } rows[] = {
        {"A05 ", "SET OUT1 VS IN2 ", {"OUT1 VS IN2"}, 1, 0},
        {"A07 ", "SET OUT1 VS IN3 ", {"OUT1 VS IN3"}, 1, 2},
        {"A09 ", "SET OUT1 VS IN4 ", {}, 1, 2},
        {"A00 ", "SET OUT1 VS IN5 ", {"OUT1 VS IN5", "OUT1 VS IN5"}, 4, 4},
        {"", "SET OUT1 VS IN6 ", {"OUT1 VS IN6", "OUT1 VS IN6"}, 5, 5},
    };
    int commands = 0;
    for (const Row &r : rows) {
        SCOPED_TRACE(r.prefix + r.command);
        ASSERT_TRUE(pty.command(r.command, r.prefix));
        EXPECT_EQ(pty.readLines(r.replies.size()), r.replies);
        ASSERT_TRUE(waitCommands(++commands));
        EXPECT_EQ(at(device(5), "routing/0").toInt(), r.routing5);
        EXPECT_EQ(at(device(7), "routing/0").toInt(), r.routing7);
        expectNothingPendingThenAnswer("after " + r.prefix, "A05 ", "ADDR 05");
        ++commands;
    }
    // A reset frame for device 7 leaves device 5 alone.
    ASSERT_TRUE(pty.command("SET TIP 1234", "A00 "));
    ASSERT_EQ(pty.readLines(2).size(), 2u);
    ASSERT_TRUE(pty.send(resetFrame(7)));
    EXPECT_EQ(pty.readLines(6).size(), 6u);
    ASSERT_TRUE(waitCommands(commands + 2));
    EXPECT_EQ(at(device(5), "lan/tcpPort").toInt(), 1234);
    EXPECT_EQ(at(device(7), "lan/tcpPort").toInt(), 8000);
}

TEST_F(SimWire, SetAddrMovesADeviceAndGetAddrAnswersInAddressOrder) {
    ASSERT_NO_FATAL_FAILURE(start({"--addresses", "03,05"}));
    ASSERT_TRUE(pty.command("SET ADDR 09", "A03 "));
    EXPECT_EQ(pty.readLine().value_or(""), "ADDR 09");
    ASSERT_TRUE(pty.command("GET ADDR", "A00 "));
    EXPECT_EQ(pty.readLines(2), (std::vector<std::string>{"ADDR 05", "ADDR 09"}));
    // Device 03 is gone: the next line is device 05's answer to the question after it.
    ASSERT_TRUE(pty.command("GET ADDR", "A03 "));
    expectNothingPendingThenAnswer("old address no longer answers", "A05 ", "ADDR 05");
    ASSERT_TRUE(waitCommands(4));
    EXPECT_FALSE(device(9).isEmpty());
    EXPECT_TRUE(device(3).isEmpty());
}

TEST_F(SimWire, EdidDumpsCarryTheWholeImageAsTheCaptureReadsIt) {
    ASSERT_NO_FATAL_FAILURE(start());
    std::set<std::vector<int>> images;
    auto fetch = [&](const std::string &command) {
        EXPECT_TRUE(pty.command(command));
        std::string line = pty.readLine().value_or("");
        EXPECT_NE(line.find("EDID "), std::string::npos) << command;
        EXPECT_NE(line.find("DATA "), std::string::npos) << command;
        EXPECT_EQ(readReply(line).row, 0) << "a dump must not read as an EDID choice: " << line;
        // Only lower-case pairs after DATA.
        std::string data = line.substr(line.find("DATA ") + 5);
        EXPECT_EQ(data.find_first_not_of("0123456789abcdef "), std::string::npos) << command;
        return simtest::captureEdid(line);
    };
    for (int o = 1; o <= 9; ++o) {
        std::vector<int> e = fetch("GET OUT" + std::to_string(o) + " EDID  DATA");
        ASSERT_EQ(e.size(), 256u) << o;
        int base = 0, ext = 0;
        for (int i = 0; i < 128; ++i) {
            base += e[static_cast<std::size_t>(i)];
            ext += e[static_cast<std::size_t>(128 + i)];
        }
        EXPECT_EQ(base % 256, 0) << o;
        EXPECT_EQ(ext % 256, 0) << o;
        EXPECT_EQ(e[128], 2) << o;
        images.insert(e);
    }
    EXPECT_EQ(images.size(), 9u);
    std::vector<int> builtin0 = fetch("GET IN1 EDID 0 DATA");
    std::vector<int> builtin1 = fetch("GET IN1 EDID 1 DATA");
    EXPECT_EQ(builtin0.size(), 256u);
    EXPECT_NE(builtin0, builtin1);
    EXPECT_EQ(fetch("GET IN5 EDID 2 DATA"), builtin0) << "user slots start as built-in EDID 0";
}

TEST_F(SimWire, UserEdidLoadLineWithoutPrefixStoresTheSlot) {
    ASSERT_NO_FATAL_FAILURE(start({"--addresses", "01,02"}));
    std::string load = "SET IN2 EDID U3 DATA ";
    std::string hex;
    std::vector<int> bytes;
    for (int i = 0; i < 256; ++i) {
        int b = (i * 37 + 11) & 0xFF;
        bytes.push_back(b);
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X", b);
        load += pair;
        if (i < 255)
            load += ' ';
        std::snprintf(pair, sizeof pair, "%02x", b);
        hex += pair;
    }
    ASSERT_EQ(load.size(), 788u);
    // As the console sends it: no CR LF before the line, so no prefix; every device stores it.
    ASSERT_TRUE(pty.send(load + "\r\n"));
    EXPECT_EQ(pty.readLines(2), (std::vector<std::string>{"IN2 EDID 0", "IN2 EDID 0"}));
    ASSERT_TRUE(waitCommands(1));
    EXPECT_EQ(at(device(1), "userEdid/1/2").toString().toStdString(), hex);
    EXPECT_EQ(at(device(2), "userEdid/1/2").toString().toStdString(), hex);
    EXPECT_NE(at(device(1), "userEdid/1/1").toString().toStdString(), hex);
    ASSERT_TRUE(pty.command("GET IN2 EDID 4 DATA"));
    EXPECT_EQ(simtest::captureEdid(pty.readLine().value_or("")), bytes);
}

// --edid-out puts a display of the test's choosing on an output of every device; a short file reads
// as its bytes then 0xFF, and the other outputs keep their own displays.
TEST_F(SimWire, EdidOutOptionPlugsAFileIntoAnOutput) {
    std::string image;
    for (int i = 0; i < 128; ++i)
        image += static_cast<char>((i * 11 + 1) & 0xFF);
    testsupport::writeFile(cwd.file("panel.bin"), image);
    ASSERT_NO_FATAL_FAILURE(start({"--addresses", "01,02", "--edid-out", "3=" + cwd.file("panel.bin")}));
    std::vector<int> expected(256, 0xFF);
    std::string hex;
    for (int i = 0; i < 256; ++i) {
        if (i < 128)
            expected[static_cast<std::size_t>(i)] =
                static_cast<unsigned char>(image[static_cast<std::size_t>(i)]);
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", expected[static_cast<std::size_t>(i)]);
        hex += pair;
    }
    ASSERT_TRUE(pty.command("GET OUT3 EDID  DATA", "A02 "));
    EXPECT_EQ(simtest::captureEdid(pty.readLine().value_or("")), expected);
    EXPECT_EQ(at(device(1), "sinkEdid/2").toString().toStdString(), hex);
    EXPECT_NE(at(device(1), "sinkEdid/3").toString().toStdString(), hex);
    ASSERT_TRUE(pty.command("GET OUT4 EDID  DATA", "A01 "));
    EXPECT_NE(simtest::captureEdid(pty.readLine().value_or("")), expected);

    testsupport::SimProcess missing;
    EXPECT_FALSE(missing.start({"--edid-out", "3=" + cwd.file("none.bin")}, 3000));
}

TEST_F(SimWire, SearchProbeGetsALineBack) {
    ASSERT_NO_FATAL_FAILURE(start({"--addresses", "01,02"}));
    ASSERT_TRUE(pty.send("\r\n>@\r\n"));
    std::vector<std::string> lines = pty.readLines(2);
    ASSERT_EQ(lines.size(), 2u);
    for (const std::string &l : lines)
        EXPECT_EQ(readReply(l).row, 0) << l;
    EXPECT_NE(lines[0], lines[1]);
}

TEST_F(SimWire, BadInputIsIgnoredAndTheNextCommandAnswered) {
    ASSERT_NO_FATAL_FAILURE(start());
    QJsonObject before = device(1);
    std::mt19937 random(20240607u);
    std::string noise(64 * 1024, '\0');
    for (char &c : noise)
        c = static_cast<char>(random() & 0xFF);
    struct Row {
        const char *name;
        std::string bytes;
    } rows[] = {
        {"unknown command", "\r\nA01 SET OUT3 VS IN0\r\n"},
        {"lower case", "\r\nA01 set out3 vs in7\r\n"},
        {"broken prefix", "\r\nA1 SET OUT3 VS IN7\r\n"},
        {"width out of range", "\r\nA01 SET BLW 16\r\n"},
        {"short EDID load", "SET IN1 EDID U1 DATA 00 11 22\r\n"},
        {"control bytes", std::string("\r\nA01 SET OUT3\x01 VS IN7\r\n", 22)},
        {"100 KB without LF", std::string(100 * 1024, 'X')},
        {"random bytes", noise},
        {"truncated frame", resetFrame(1).substr(0, 6)},
        {"frame header with a huge length", std::string("\xAA\x06\x00\x20\x01", 5)},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(pty.send(r.bytes));
        ASSERT_TRUE(pty.command("GET ADDR"));
        // Random bytes may hold junk lines; the answer to the valid command must still come.
        bool answered = false;
        for (std::optional<std::string> l; !answered && (l = pty.readLine(10000));)
            answered = l->find("ADDR 01") != std::string::npos;
        EXPECT_TRUE(answered);
        EXPECT_TRUE(sim.running());
    }
    QJsonObject after = device(1);
    EXPECT_EQ(after["routing"], before["routing"]);
    EXPECT_EQ(after["borderWidth"], before["borderWidth"]);
    EXPECT_EQ(after["userEdid"], before["userEdid"]);
    EXPECT_FALSE(log("OVERLONG").empty());
    EXPECT_FALSE(log("BADFRAME").empty());
}

TEST_F(SimWire, InjectedLinesActLikeAnotherControllerOnTheLine) {
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(sim.inject("A01 SET OUT3 VS IN7 "));
    EXPECT_EQ(pty.readLine().value_or(""), "OUT3 VS IN7");
    ASSERT_TRUE(sim.inject("\r\nA01 SET BLW 9\r\n"));
    EXPECT_EQ(pty.readLine().value_or(""), "BLW 9");
    ASSERT_TRUE(waitCommands(2));
    EXPECT_EQ(at(device(1), "routing/2").toInt(), 6);
    EXPECT_EQ(log("INJECT"), (std::vector<std::string>{"A01 SET OUT3 VS IN7 \\r", "A01 SET BLW 9\\r"}));
    EXPECT_TRUE(log("LINE").empty());
}

TEST_F(SimWire, RepliesNobodyReadsAreDroppedNotDeliveredLate) {
    std::vector<std::string> args = {"--state", "sim.json", "--log", "sim.log", "--inject", "sim.fifo"};
    ASSERT_TRUE(sim.start(args)) << sim.error();
    // No console has the port open: far more than the terminal buffers (some 64 KB) is answered
    // into the void.
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(sim.inject("A01 GET STA"));
    EXPECT_TRUE(testsupport::waitFor([&] { return !log("DROPPED").empty(); }));
    // A console opening the port now (purging it, as it does) hears only answers to its own commands.
    ASSERT_TRUE(pty.open(sim.slavePath()));
    expectNothingPendingThenAnswer("after the drop");
}

TEST_F(SimWire, SilentCarriesOutCommandsWithoutAnswering) {
    ASSERT_NO_FATAL_FAILURE(start({"--silent"}));
    ASSERT_TRUE(pty.command("SET OUT2 VS IN9 "));
    ASSERT_TRUE(waitCommands(1));
    ASSERT_TRUE(pty.command("GET STA"));
    ASSERT_TRUE(waitCommands(2));
    EXPECT_EQ(at(device(1), "routing/1").toInt(), 8);
    EXPECT_EQ(pty.readAvailable(), "");
}

TEST_F(SimWire, GarbageFollowsEachReply) {
    ASSERT_NO_FATAL_FAILURE(start({"--garbage", "40"}));
    ASSERT_TRUE(pty.command("GET ADDR"));
    std::string bytes = pty.readBytes(9 + 40);
    ASSERT_EQ(bytes.size(), 49u);
    EXPECT_EQ(bytes.substr(0, 9), "ADDR 01\r\n");
}

TEST_F(SimWire, FloodSendsAnEndlessStreamWithoutLineFeed) {
    ASSERT_NO_FATAL_FAILURE(start({"--flood"}));
    ASSERT_TRUE(pty.command("GET ADDR"));
    EXPECT_EQ(pty.readLine().value_or(""), "ADDR 01");
    std::string stream = pty.readBytes(256 * 1024, 20000);
    EXPECT_EQ(stream.size(), 256u * 1024);
    EXPECT_EQ(stream.find('\n'), std::string::npos);
}

TEST_F(SimWire, HangupAfterClosesTheLineAfterAnswering) {
    ASSERT_NO_FATAL_FAILURE(start({"--hangup-after", "2", "--link", "COM4"}));
    ASSERT_TRUE(pty.command("GET ADDR"));
    EXPECT_EQ(pty.readLine().value_or(""), "ADDR 01");
    ASSERT_TRUE(pty.command("SET OUT1 VS IN2 "));
    EXPECT_EQ(pty.readLine().value_or(""), "OUT1 VS IN2");
    EXPECT_TRUE(pty.waitHangup());
    EXPECT_TRUE(testsupport::waitFor([&] { return state().value("hungUp").toBool(); }));
    EXPECT_EQ(log("HANGUP").size(), 1u);
    EXPECT_TRUE(sim.running());
    // The port is gone: reopening it fails like an unplugged adapter.
    pty.close();
    simtest::PtyClient again;
    EXPECT_FALSE(again.open(cwd.file("COM4")));
}

TEST_F(SimWire, PacedAndDelayedRepliesArriveWholeAndInOrder) {
    ASSERT_NO_FATAL_FAILURE(start({"--pace", "--delay", "50"}));
    ASSERT_TRUE(pty.command("SET OUT1 VS IN2 "));
    ASSERT_TRUE(pty.command("GET STA"));
    ASSERT_TRUE(pty.command("GET ADDR"));
    std::vector<std::string> lines = pty.readLines(1 + 77 + 1, 20000);
    ASSERT_EQ(lines.size(), 79u);
    EXPECT_EQ(lines.front(), "OUT1 VS IN2");
    EXPECT_EQ(lines[1], "OUT1 VS IN2");
    EXPECT_EQ(lines.back(), "ADDR 01");
}

TEST_F(SimWire, LinkIsMadeAndRemovedAndSignalsEndItCleanly) {
    // A link left behind by an earlier run is replaced.
    ASSERT_EQ(::symlink("/nonexistent", cwd.file("COM1").c_str()), 0);
    ASSERT_NO_FATAL_FAILURE(start({"--link", "COM1"}));
    EXPECT_EQ(std::filesystem::read_symlink(cwd.file("COM1")).string(), sim.slavePath());
    EXPECT_TRUE(std::filesystem::is_fifo(cwd.file("sim.fifo")));
    simtest::PtyClient viaLink;
    ASSERT_TRUE(viaLink.open(cwd.file("COM1")));
    ASSERT_TRUE(viaLink.command("GET ADDR"));
    EXPECT_EQ(viaLink.readLine().value_or(""), "ADDR 01");
    viaLink.close();

    ::kill(sim.pid(), SIGINT);
    EXPECT_TRUE(testsupport::waitFor([&] { return !sim.running(); }));
    EXPECT_EQ(sim.stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(cwd.file("COM1"))));
    EXPECT_FALSE(std::filesystem::exists(cwd.file("sim.fifo")));

    // SIGTERM the same way.
    ASSERT_NO_FATAL_FAILURE(start({"--link", "COM1"}));
    EXPECT_EQ(sim.stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(cwd.file("COM1"))));
}

// korvex-sim run to its end with standard output and error together; stopped after a minute should
// it start serving instead.
std::pair<int, std::string> runSim(const std::string &args) {
    std::string cmd = "timeout 60 '" + testsupport::SimProcess::program() + "' " + args + " 2>&1";
    std::FILE *p = ::popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    for (std::size_t n; p && (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    int status = p ? ::pclose(p) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

// A second simulator given the link of a running one is refused before it touches any of the first
// one's files, and the first still answers through its link once the second has gone.
TEST_F(SimWire, SecondSimulatorOnAServedLinkIsRefused) {
    ASSERT_NO_FATAL_FAILURE(start({"--link", "COM1"}));
    expectNothingPendingThenAnswer("before the second");
    const auto [code, out] = runSim("--state sim.json --log sim.log --inject sim.fifo --link COM1");
    EXPECT_EQ(code, 1);
    EXPECT_EQ(out, "korvex-sim: COM1 is held by a running korvex-sim (pid " + std::to_string(sim.pid()) +
                       "): stop it or choose another --link\n");
    EXPECT_EQ(log("LINE").size(), 1u);
    ASSERT_TRUE(sim.inject("A01 GET ADDR"));
    EXPECT_EQ(pty.readLine().value_or(""), "ADDR 01");
    simtest::PtyClient viaLink;
    ASSERT_TRUE(viaLink.open(cwd.file("COM1")));
    ASSERT_TRUE(viaLink.command("SET OUT1 VS IN4 "));
    EXPECT_EQ(viaLink.readLine().value_or(""), "OUT1 VS IN4");
}

// The link of a simulator that was killed, or that has hung up its line, is taken over; the old one
// ending afterwards leaves the new one's link alone (its terminal may well have the same name).
TEST_F(SimWire, LinkOfAKilledOrHungUpSimulatorIsTakenOver) {
    for (const bool killed : {true, false}) {
        SCOPED_TRACE(killed ? "killed" : "hung up");
        testsupport::SimProcess first({"--link", "COM1", "--hangup-after", "1"});
        ASSERT_TRUE(first.started()) << first.error();
        if (killed) {
            ::kill(first.pid(), SIGKILL);
            ASSERT_TRUE(testsupport::waitFor([&] { return !first.running(); }));
        } else {
            simtest::PtyClient line;
            ASSERT_TRUE(line.open(first.slavePath()));
            ASSERT_TRUE(line.command("GET ADDR"));
            ASSERT_TRUE(line.waitHangup());
        }
        testsupport::SimProcess second({"--link", "COM1"});
        ASSERT_TRUE(second.started()) << second.error();
        first.stop();
        std::error_code gone;
        EXPECT_EQ(std::filesystem::read_symlink(cwd.file("COM1"), gone).string(), second.slavePath());
        simtest::PtyClient viaLink;
        ASSERT_TRUE(viaLink.open(cwd.file("COM1")));
        ASSERT_TRUE(viaLink.command("GET ADDR"));
        EXPECT_EQ(viaLink.readLine().value_or(""), "ADDR 01");
    }
}

TEST_F(SimWire, RefusesToReplaceAFileThatIsNotALink) {
    testsupport::writeFile(cwd.file("COM2"), "keep me");
    EXPECT_FALSE(sim.start({"--link", "COM2"}));
    EXPECT_EQ(testsupport::readFile(cwd.file("COM2")), "keep me");
}

} // namespace
