// korvex-ctl run as a child process in a temporary folder, against korvex-sim linked there as COM1.

#include "SimProcess.h"
#include "TempDir.h"
#include "WaitFor.h"

#include "edid/EdidDecoder.h"
#include "edid/EdidFile.h"
#include "edid/EdidSummary.h"
#include "wall/LayoutFile.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct CtlRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string shellQuoted(const std::string &arg) {
    std::string q = "'";
    for (char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class KorvexCtl : public testing::Test {
protected:
    void SetUp() override {
        const char *tool = std::getenv("KORVEX_CTL");
        if (!tool || !*tool || testsupport::SimProcess::program().empty())
            GTEST_SKIP() << "KORVEX_CTL or KORVEX_SIM is not set; run through CTest";
        m_tool = tool;
    }

    // Runs korvex-ctl; `input` names the file on its standard input.
    CtlRun run(const std::vector<std::string> &args, const std::string &input = "/dev/null") {
        std::string command = shellQuoted(m_tool);
        for (const std::string &arg : args)
            command += " " + shellQuoted(arg);
        const int raw = std::system((command + " <" + shellQuoted(input) + " >out.txt 2>err.txt").c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, testsupport::readFile("out.txt"),
                testsupport::readFile("err.txt")};
    }

    void startSim(std::vector<std::string> args = {}) {
        args.insert(args.begin(), {"--link", "COM1", "--state", "sim.json"});
        ASSERT_TRUE(m_sim.start(args)) << m_sim.error();
    }

    // The first device of the simulator's state file.
    static QJsonObject simFirstDevice() {
        return testsupport::readSimState("sim.json").value("devices").toArray().at(0).toObject();
    }

    // A value of the device by its path: "lan.tcpPort", "routing.2" (array index).
    static QJsonValue simValue(const std::string &path) {
        QJsonValue value = simFirstDevice();
        for (const QString &part : QString::fromStdString(path).split('.')) {
            bool isIndex = false;
            const int index = part.toInt(&isIndex);
            value = isIndex ? value.toArray().at(index) : value.toObject().value(part);
        }
        return value;
    }

    testsupport::ScopedTempCwd m_dir;
    testsupport::SimProcess m_sim;
    std::string m_tool;
};

TEST_F(KorvexCtl, StatusJsonIsTheSimulatorsOwnState) {
    // Device 07, moved away from its factory state in every field status reports.
    ASSERT_NO_FATAL_FAILURE(startSim({"--addresses", "07", "--inject", "sim.fifo"}));
    const std::vector<std::string> changes = {"SET OUT3 VS IN10",
                                              "SET MVW MODE1",
                                              "SET QVW VS 4.3.2.1",
                                              "SET OUT5 MAS IN10",
                                              "SET BLW 012",
                                              "SET BLC 010.020.030",
                                              "SET IN2 EDID 13",
                                              "SET DHCP 1",
                                              "SET HIP 010.000.000.007",
                                              "SET TIP 8080",
                                              "SET EXA MODE2",
                                              "SET OUT4 EAS IN9",
                                              "SET 6 EXA DIS",
                                              "SET IRT OUT7 IS IN4",
                                              "SET IR EXT SW 0.1.0.0.0.0.0.0.1.1.0.0.1",
                                              "SET IRC MUX 1.0.1.0.1.0.1.0.1",
                                              "SET RS MUX 0.0.1.1.0.0.0.0.1"};
    for (const std::string &change : changes)
        ASSERT_TRUE(m_sim.inject("A07 " + change));
    ASSERT_TRUE(testsupport::waitFor([&] {
        return testsupport::readSimState("sim.json").value("commands").toInt() ==
               static_cast<int>(changes.size());
    }));

    const CtlRun status = run({"status", "--json"});
    ASSERT_EQ(status.status, 0) << status.err;
    QJsonParseError error;
    const QJsonObject reported =
        QJsonDocument::fromJson(QByteArray::fromStdString(status.out), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << status.out;

    // Every field of the device but the EDID images and the wall rectangles, which status does not read.
    QJsonObject sim = simFirstDevice();
    for (const char *unread : {"userEdid", "sinkEdid", "wall"})
        sim.remove(unread);
    EXPECT_EQ(reported.keys(), sim.keys());
    for (const QString &key : sim.keys())
        EXPECT_EQ(reported.value(key), sim.value(key)) << key.toStdString();
}

TEST_F(KorvexCtl, CommandsChangeTheSimulatorsState) {
    const struct {
        std::vector<std::string> args;
        std::string path;
        QJsonValue expected;
    } cases[] = {
        {{"route", "3", "5"}, "routing.2", 4},
        {{"route", "all", "mv"}, "routing", QJsonArray{9, 9, 9, 9, 9, 9, 9, 9, 9}},
        {{"mv", "mode", "2x2"}, "mvMode", 1},
        {{"mv", "source", "1", "3"}, "qvSources", QJsonArray{2, 1, 0, 3}}, // window 3 takes in1
        {{"mv", "audio", "2", "mute"}, "mvAudio.1", 10},
        {{"border", "15", "255", "0", "128"}, "borderColour", QJsonArray{255, 0, 128}},
        {{"audio", "mute", "4"}, "audioMute.3", 1},
        {{"audio", "route", "2", "7"}, "audioRouting.1", 6},
        {{"ir", "route", "all", "3"}, "irRoute.8", 2},
        {{"ir", "control", "2", "1,4"}, "irExtSwitch", QJsonArray{0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 1}},
        {{"rs232", "2,5"}, "rs232", QJsonArray{0, 1, 0, 0, 1, 0, 0, 0, 0}},
        {{"edid", "apply", "3", "user2"}, "edidChoice.2", 3},
        {{"lan", "set", "--tcp-port", "8080"},
         "lan", // the rest stays as the device had it
         QJsonObject{{"dhcp", 0},
                     {"host", "192.168.1.100"},
                     {"mask", "255.255.255.0"},
                     {"router", "192.168.1.1"},
                     {"tcpPort", 8080},
                     {"mac", "00-1C-91-4B-00-01"}}},
        {{"--address", "1", "address", "set", "7"}, "address", 7},
        {{"send", "SET", "OUT2", "VS", "IN7"}, "routing.1", 6},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        ASSERT_NO_FATAL_FAILURE(startSim());
        const CtlRun run = this->run(c.args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_FALSE(run.out.empty());
        EXPECT_TRUE(testsupport::waitFor([&] { return simValue(c.path) == c.expected; }, 5000))
            << simValue(c.path).toVariant().toString().toStdString();
        m_sim.stop();
    }
}

TEST_F(KorvexCtl, DevicePathReachesThePortPastComEntries) {
    ASSERT_NO_FATAL_FAILURE(startSim());
    // With COM1..COM9 all here, the path's own port number must come from beyond them.
    for (int n = 2; n <= 9; ++n)
        std::filesystem::create_symlink("unplugged", "COM" + std::to_string(n));
    const CtlRun run = this->run({"--port", m_sim.slavePath(), "route", "2", "3"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "OUT2 VS IN3\n");
    EXPECT_TRUE(testsupport::waitFor([] { return simValue("routing.1") == 2; }, 5000));
}

TEST_F(KorvexCtl, WallShowSendsEachPanelOfTheGridToItsOutput) {
    wall::PresetTable table;
    wall::WallPreset &preset = table.presets[1];
    preset.gridCode = wall::gridCode(1, 3);
    preset.panels[0] = {1, 4, 90, 1, 1, 960, 1080};
    preset.panels[1] = {1, 0, 0, 961, 1, 1920, 1080}; // no output: refused
    preset.panels[2] = {1, 6, 0, 961, 1, 1920, 1080};
    preset.panels[6] = {1, 7, 0, 1, 1, 100, 100}; // second row, outside the grid
    testsupport::writeFile("walls.ini", wall::formatLayoutFile(table));
    ASSERT_NO_FATAL_FAILURE(startSim());

    const CtlRun run = this->run({"wall", "show", "2", "--layout", "walls.ini"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "OUT4 VW XYZ 0000.0000.0959.1079.090\nOUT6 VW XYZ 0960.0000.1919.1079.000\n");
    EXPECT_EQ(run.err, "korvex-ctl: Panel W12 was not sent: Output port 0 is not 1~9.\n");
    const QJsonObject panel{{"x1", 0}, {"y1", 0}, {"x2", 959}, {"y2", 1079}, {"rotation", 90}};
    EXPECT_TRUE(testsupport::waitFor([&] { return simValue("wall.3") == panel; }, 5000));
    EXPECT_EQ(simValue("wall.6.x2"), 1919); // the full frame still: the panel outside the grid stayed home
}

TEST_F(KorvexCtl, FailuresNameTheDeviceAndWhatToCheck) {
    std::filesystem::create_symlink("unplugged", "COM7");
    testsupport::writeFile("COM8", "a file");
    const std::string here = std::filesystem::current_path().string();
    const std::string checks = ": check the device address (--address), the cable, 57600 8N1, and that no "
                               "other program uses the port";
    // "@" in a message stands for the simulator's pseudo-terminal.
    const struct {
        std::vector<std::string> sim; // empty: none
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"--silent"}, {"--timeout", "300", "status"}, 2, "COM1 (@): no answer within 300 ms" + checks},
        {{"--silent"},
         {"--timeout", "300", "route", "1", "2"},
         2,
         "COM1 (@): no answer within 300 ms" + checks},
        {{"--addresses", "01,05"},
         {"status"},
         1,
         "COM1 (@): several devices answered address 00 (01, 05): choose one with --address NN"},
        {{},
         {"--port", "COM7", "status"},
         3,
         "COM7 (" + here +
             "/unplugged): no such device: is it plugged in? (USB adapters are COM33..COM64; korvex-ctl "
             "search "
             "tries every port)"},
        {{}, {"--port", "COM8", "status"}, 3, "COM8 (" + here + "/COM8): not a serial device"},
        {{}, {"--port", "gone/ttyUSB0", "status"}, 3, "gone/ttyUSB0: no such device"},
        {{},
         {"wall", "show", "1"},
         1,
         here + "/KorvexVW.ini: cannot be read: no such file (give the console's preset file with --layout "
                "FILE)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.back());
        if (!c.sim.empty()) {
            ASSERT_NO_FATAL_FAILURE(startSim(c.sim));
        }
        const CtlRun run = this->run(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err,
                  "korvex-ctl: " + std::regex_replace(c.err, std::regex("@"), m_sim.slavePath()) + "\n");
        EXPECT_EQ(run.out, "");
        m_sim.stop();
    }
}

TEST_F(KorvexCtl, TheSwitchersLanPortWorksAsItsSerialLine) {
    ASSERT_TRUE(m_sim.start({"--tcp", "0", "--state", "sim.json"})) << m_sim.error();
    const std::string where = m_sim.slavePath(); // "127.0.0.1:port"
    const CtlRun route = this->run({"--host", where, "route", "3", "5"});
    EXPECT_EQ(route.status, 0) << route.err;
    EXPECT_TRUE(testsupport::waitFor([] { return simValue("routing.2") == 4; }, 5000));
    const CtlRun status = this->run({"--host", where, "--address", "01", "status", "--json"});
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_NE(status.out.find("\"routing\""), std::string::npos);
    // The simulator stops: nothing listens there any more.
    m_sim.stop();
    const CtlRun refused = this->run({"--host", where, "status"});
    EXPECT_EQ(refused.status, 3);
    EXPECT_EQ(refused.err, "korvex-ctl: " + where + ": connection refused\n");
}

TEST_F(KorvexCtl, ArgumentErrorsAreUsageErrors) {
    const struct {
        std::vector<std::string> args;
        const char *reason;
    } cases[] = {
        {{}, "no command given"},
        {{"--json"}, "no command given"},
        {{"frob"}, "unknown command \"frob\""},
        {{"--timeout"}, "--timeout needs a value"},
        {{"--address", "100", "status"}, "--address takes a device address 00..99, not \"100\""},
        {{"--port", "COM1", "--host", "h", "status"}, "--port and --host exclude each other"},
        {{"--host", "h:0", "status"}, "--host takes HOST or HOST:PORT"},
        {{"status", "now"}, "status: unexpected \"now\""},
        {{"route", "10", "1"}, "route: OUT must be 1..9 or all, not \"10\""},
        {{"route", "1"}, "route: IN is missing"},
        {{"mv", "mode", "4x4"}, "mv: the mode must be 3x3 or 2x2, not \"4x4\""},
        {{"border", "16", "0", "0", "0"}, "border: WIDTH must be 0..15, not \"16\""},
        {{"rs232", "1,,2"}, "rs232: OUTS must be none, all or numbers 1..9 joined by commas"},
        {{"ir", "control", "10", "none"}, "ir: HDBT must be none, all or numbers 1..9"},
        {{"edid", "apply", "1", "user4"}, "edid: CHOICE must be 0..13"},
        {{"edid", "load", "1", "1", "a.BIN"}, "a.BIN: It is not bin file"},
        {{"lan", "set"}, "lan: nothing to set"},
        {{"lan", "set", "--ip", "10.0.0"}, "lan: --ip must be an address A.B.C.D"},
        {{"address", "set", "5"}, "address: needs --address NN (the device to change) or --all"},
        {{"send"}, "send: TEXT is missing"},
        {{"search", "--port", "COM2"}, "search tries every serial port: --port does not go with it"},
    };
    for (const auto &c : cases) {
        const CtlRun run = this->run(c.args);
        SCOPED_TRACE(c.reason);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind(std::string("korvex-ctl: ") + c.reason, 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
}

TEST_F(KorvexCtl, EdidReadSavesNumberedCapturesAndPrintsTheSummary) {
    ASSERT_NO_FATAL_FAILURE(startSim());
    const std::string sinkHex = simValue("sinkEdid.1").toString().toStdString();
    edid::EdidImage image{};
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(std::stoi(sinkHex.substr(2 * i, 2), nullptr, 16));
    edid::EdidDecoder decoder;
    decoder.decodeAll(image);
    const std::string summary = std::regex_replace(
        edid::summarizeEdid(decoder.videoText(), decoder.audioText(), decoder.generalText()),
        std::regex("\r\n"), "\n");

    for (const char *name : {"Matrix_EDID_out2_00.bin", "Matrix_EDID_out2_01.bin"}) {
        const CtlRun run = this->run({"edid", "read", "out", "2"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, std::string("Save to file: ") + name + "\n" + summary);
        EXPECT_EQ(testsupport::readFile(name), std::string(image.begin(), image.end()));
    }
}

TEST_F(KorvexCtl, BackupRestoredOntoAnotherUnitGivesItTheSameSettings) {
    ASSERT_NO_FATAL_FAILURE(startSim({"--inject", "sim.fifo"}));
    const std::vector<std::string> changes = {"SET OUT3 VS IN10",
                                              "SET MVW MODE1",
                                              "SET QVW VS 4.3.2.1",
                                              "SET OUT5 MAS IN10",
                                              "SET BLW 012",
                                              "SET BLC 010.020.030",
                                              "SET IN2 EDID 13",
                                              "SET HIP 010.000.000.007",
                                              "SET TIP 8080",
                                              "SET MAC 00-1C-91-4B-00-99",
                                              "SET EXA MODE2",
                                              "SET OUT4 EAS IN9",
                                              "SET 6 EXA DIS",
                                              "SET IRT OUT7 IS IN4",
                                              "SET IR EXT SW 0.1.0.0.0.0.0.0.1.1.0.0.1",
                                              "SET IRC MUX 1.0.1.0.1.0.1.0.1",
                                              "SET RS MUX 0.0.1.1.0.0.0.0.1"};
    for (const std::string &change : changes)
        ASSERT_TRUE(m_sim.inject("A01 " + change));
    ASSERT_TRUE(testsupport::waitFor([&] {
        return testsupport::readSimState("sim.json").value("commands").toInt() ==
               static_cast<int>(changes.size());
    }));
    testsupport::SimProcess replacement;
    ASSERT_TRUE(replacement.start({"--link", "COM2", "--state", "replacement.json"})) << replacement.error();

    const CtlRun backup = run({"backup", "room.json", "--lan"});
    ASSERT_EQ(backup.status, 0) << backup.err;
    const CtlRun restore = run({"--port", "COM2", "restore", "-", "--lan"}, "room.json");
    ASSERT_EQ(restore.status, 0) << restore.err;

    const QJsonObject file =
        QJsonDocument::fromJson(QByteArray::fromStdString(testsupport::readFile("room.json"))).object();
    const QJsonObject original = simFirstDevice();
    const QJsonObject restored =
        testsupport::readSimState("replacement.json").value("devices").toArray().at(0).toObject();
    EXPECT_EQ(file.keys().size(), 17); // format, version and every setting
    for (const QString &key : file.keys()) {
        if (key != "format" && key != "version") {
            EXPECT_EQ(restored.value(key), original.value(key)) << key.toStdString();
        }
    }
}

TEST_F(KorvexCtl, RestoreRefusesABadFileBeforeAnythingIsSent) {
    const std::string good =
        "{\"format\": \"korvex-unit-backup\", \"version\": 1,\n"
        "\"routing\": [0,1,2,3,4,5,6,7,8], \"mvMode\": 0, \"qvSources\": [0,1,2,3],\n"
        "\"mvAudio\": [1,1,1,1,1,1,1,1,1], \"borderWidth\": 1, \"borderColour\": [255,255,255],\n"
        "\"edidChoice\": [0,0,0,0,0,0,0,0,0], \"audioMode\": 0,\n"
        "\"audioRouting\": [0,1,2,3,4,5,6,7,8], \"audioMute\": [0,0,0,0,0,0,0,0,0],\n"
        "\"irRoute\": [0,0,0,0,0,0,0,0,0], \"irExtSwitch\": [1,1,1,1,1,1,1,1,1,0,0,0,0],\n"
        "\"irEmitter\": [1,1,1,1,1,1,1,1,1], \"rs232\": [0,0,0,0,0,0,0,0,0]}\n";
    const auto changed = [&](const std::string &from, const std::string &to) {
        return std::regex_replace(good, std::regex(from), to);
    };
    const struct {
        std::string text;
        std::string why;
        bool lan = false;
    } cases[] = {
        {"routing: [0,1]", "not JSON: parse error at line 1, column 1"},
        {"[1,2]", "not a korvex-ctl backup (\"format\": \"korvex-unit-backup\"): not a JSON object"},
        {changed("korvex-unit-backup", "videohub"),
         "not a korvex-ctl backup (\"format\": \"korvex-unit-backup\"): \"format\" is \"videohub\""},
        {changed("\"version\": 1", "\"version\": 2"),
         "\"version\" is 2: this korvex-ctl reads backups of version 1"},
        {changed("\\[0,1,2,3,4", "[0,1,2,12,4"), "\"routing\"[3] must be 0..9, not 12"},
        {changed("\"mvMode\": 0", "\"mvMode\": \"2x2\""), "\"mvMode\" must be 0..1, not \"2x2\""},
        {changed(", \"rs232\": \\[[0,]*\\]", ""), "\"rs232\" is missing"},
        {changed("\"audioMode\"", "\"audioMood\""), "\"audioMood\" is not a setting of a version 1 backup"},
        {changed("\"mvMode\"",
                 "\"lan\": {\"dhcp\": 0, \"host\": \"10.0.0\", \"mask\": \"255.0.0.0\", \"router\": "
                 "\"10.0.0.1\", \"tcpPort\": 8000, \"mac\": \"x\"}, \"mvMode\""),
         "\"lan\".\"host\" must be an address A.B.C.D, not \"10.0.0\""},
        {good, "holds no LAN settings (backup --lan saves them)", true},
    };
    ASSERT_NO_FATAL_FAILURE(startSim({"--log", "sim.log"}));
    const std::string file = std::filesystem::current_path().string() + "/room.json";
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        testsupport::writeFile("room.json", c.text);
        const CtlRun run = this->run(c.lan ? std::vector<std::string>{"restore", "room.json", "--lan"}
                                           : std::vector<std::string>{"restore", "room.json"});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("korvex-ctl: " + file + ": " + c.why, 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_EQ(testsupport::readSimLog("sim.log"), std::vector<std::string>{});
    // The same file whole goes out.
    testsupport::writeFile("room.json", good);
    EXPECT_EQ(this->run({"restore", "room.json"}).status, 0);
    EXPECT_FALSE(testsupport::simLogEntries("sim.log", "LINE").empty());
}

TEST_F(KorvexCtl, RawAnswersAndEdidsGoToStandardOutputAlone) {
    ASSERT_NO_FATAL_FAILURE(startSim());
    const CtlRun raw = run({"send", "--raw", "GET", "ADDR"});
    EXPECT_EQ(raw.status, 0) << raw.err;
    EXPECT_EQ(raw.out, "ADDR 01\r\n");
    const CtlRun edid = run({"edid", "read", "out", "2", "-o", "-"});
    EXPECT_EQ(edid.status, 0) << edid.err;
    EXPECT_EQ(QByteArray::fromStdString(edid.out).toHex().toStdString(),
              simValue("sinkEdid.1").toString().toStdString());
    EXPECT_FALSE(std::filesystem::exists("-"));
}

} // namespace
