// The parts of korvex-ctl that a run against the simulator does not reach: replies that come partly
// or out of range, and device paths.

#include "EventLoop.h"
#include "StateCollector.h"
#include "StateReport.h"
#include "serial/PortNaming.h"

#include "TempDir.h"
#include "WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

namespace {

TEST(CtlState, ReportsOnlyWhatTheRepliesCarried) {
    const struct {
        std::vector<std::string> lines;
        std::string json;
    } cases[] = {
        {{}, "{}"},
        {{"OUT3 VS IN10\r\n"}, R"({"routing":[null,null,9,null,null,null,null,null,null]})"},
        {{"OUT3 VS IN7\r\n", "OUT3 VS IN0\r\n"}, "{}"}, // out of range: the output is no longer known
        {{"OUT0 MAS IN10\r\n"}, R"({"mvAudio":[10,10,10,10,10,10,10,10,10]})"},
        {{"QVW VS 4.3.x.1\r\n"}, R"({"qvSources":[3,2,null,0]})"},
        {{"IR EXT SW 1.0.1\r\n"},
         R"({"irExtSwitch":[1,0,1,null,null,null,null,null,null,null,null,null,null]})"},
        {{"HIP 192.168.001.01\r\n"}, "{}"}, // a cut-off address is no address
        {{"TIP 80a0\r\n", "DHCP 1\r\n"}, R"({"lan":{"dhcp":1,"tcpPort":"80a0"}})"},
        {{"BLW 19\r\n", "BLC 5.10.255\r\n"}, R"({"borderWidth":1,"borderColour":[5,10,255]})"},
        {{"IN9 EDID 13\r\n", " ADDR 07\r\n", "ADDR 07\r\n"},
         R"({"address":7,"edidChoice":[null,null,null,null,null,null,null,null,13]})"},
        {{"KORVEX HDMI MATRIX 9X9 DEVICE 01\r\n"}, "{}"},
    };
    for (const auto &c : cases) {
        StateCollector collector;
        for (const std::string &line : c.lines)
            collector.OnReply(protocol::decodeReply(line));
        EXPECT_EQ(StateReport::Json(collector.state()), c.json + "\n") << (c.lines.empty() ? "" : c.lines[0]);
    }
}

TEST(CtlPorts, DevicePathReachesItsDeviceWhateverComEntriesLieAround) {
    testsupport::ScopedTempCwd cwd;
    for (const char *name : {"tty5", "tty10", "ttyS"})
        testsupport::writeFile(name, "");
    std::filesystem::create_symlink("missing", "COM6");
    std::filesystem::create_symlink("missing", "COM1");
    const struct {
        const char *path;
        unsigned port; // 0: refused
    } cases[] = {
        {"tty5", 7},  // COM6 here would lead elsewhere
        {"tty10", 2}, // "tty1" and 0; COM1 is taken
        {"ttyS", 0},  {"gone0", 0}, {"COM3", 3},
    };
    for (const auto &c : cases) {
        std::string error;
        const std::optional<unsigned> port = serial::portNumberFor(c.path, error);
        EXPECT_EQ(port.value_or(0), c.port) << c.path << ": " << error;
        if (port && c.port != 3) {
            EXPECT_EQ(serial::ResolvePortPath(*port), std::filesystem::canonical(c.path).string()) << c.path;
        }
    }
    serial::SetDeviceTable(serial::SystemDeviceTable());
}

} // namespace
