// The parts of korvex-ctl that a run against the simulator does not reach: the text report of a state
// known in part, and device paths.

#include "EventLoop.h"
#include "StateReport.h"
#include "serial/PortNaming.h"

#include "TempDir.h"
#include "WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

namespace {

TEST(CtlState, TextReportsOnlyWhatIsKnown) {
    const struct {
        std::function<void(session::DeviceState &)> set;
        std::string text;
    } cases[] = {
        {[](session::DeviceState &) {}, ""},
        {[](session::DeviceState &s) {
             s.address = 7;
             s.borderColour[1] = 20;
             s.irExtSwitch = {0, 1, 1, 0, 0, 0, 0, 0, 0};
         },
         "Address          07\nBorder line      width -, colour -.20.-\nIR control       HDBT 2 3; IR.ext "
         "-\n"},
        {[](session::DeviceState &s) {
             s.edidChoice[0] = 0;
             s.edidChoice[1] = 13;
         },
         "\nInput  EDID\n1      1080P_2CH(PCM)\n2      From Out9\n3      -\n4      -\n5      -\n6      -\n"
         "7      -\n8      -\n9      -\n"},
        // What the device sent goes out escaped, so that it cannot drive the terminal.
        {[](session::DeviceState &s) {
             s.tcpPort = "8\x1b[2";
             s.mac = "00-1C\r\xe9\\";
         },
         "TCP port         8\\u001b[2\nMAC              00-1C\\u000d\\u00e9\\\\\n"},
    };
    for (const auto &c : cases) {
        session::DeviceState state;
        c.set(state);
        EXPECT_EQ(StateReport::Text(state), c.text);
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
