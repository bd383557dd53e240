// The parts of korvex-ctl that a run against the simulator does not reach: the text report of a state
// known in part, device paths, the names of lines in messages and what a failed search says, on a
// device table of the test's own.

#include "Connection.h"
#include "EventLoop.h"
#include "SearchCommand.h"
#include "StateReport.h"
#include "serial/PortNaming.h"

#include "TempDir.h"
#include "WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <pty.h>
#include <thread>
#include <unistd.h>

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
        EXPECT_EQ(StateReport::text(state), c.text);
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
            EXPECT_EQ(serial::resolvePortPath(*port), std::filesystem::canonical(c.path).string()) << c.path;
        }
    }
    serial::setDeviceTable(serial::systemDeviceTable());
}

TEST(CtlPorts, LineLabelNamesTheDeviceItLeadsTo) {
    testsupport::ScopedTempCwd cwd;
    const std::string here = std::filesystem::current_path().string();
    serial::setDeviceTable(serial::DeviceTable{{{1, 4, here + "/ttyT"}}});
    testsupport::writeFile("dev2", "");
    std::filesystem::create_symlink("dev2", "COM2");
    std::filesystem::create_symlink("../gone", "COM3");
    std::filesystem::create_symlink(here + "/dev2", "byid");
    // In this order: a device path sets the table to lead to it.
    const struct {
        std::string given;
        std::string label;
    } cases[] = {
        {"COM1", "COM1 (" + here + "/ttyT0)"}, // no COM1 here (a link that vanished): the table's node
        {"COM2", "COM2 (" + here + "/dev2)"},
        {"COM3", "COM3 (" + std::filesystem::path(here).parent_path().string() + "/gone)"},
        {"COM50", "COM50"}, // leads nowhere
        {here + "/dev2", here + "/dev2"},
        {"byid", "byid (" + here + "/dev2)"},
    };
    for (const auto &c : cases) {
        std::string error;
        const std::optional<unsigned> port = serial::portNumberFor(c.given, error);
        ASSERT_TRUE(port) << c.given << ": " << error;
        EXPECT_EQ(serialLineLabel(c.given, *port), c.label) << c.given;
    }
    serial::setDeviceTable(serial::systemDeviceTable());
}

TEST(CtlPorts, FailedSearchNamesThePortsHereAndWhyEachDidNotDo) {
    testsupport::ScopedTempCwd cwd;
    serial::setDeviceTable(serial::emptyDeviceTable());
    int master = -1;
    int slave = -1;
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    ::close(slave);
    std::filesystem::create_symlink(name, "COM6"); // opens; nobody answers
    testsupport::writeFile("notes.txt", "");
    std::filesystem::create_symlink("notes.txt", "COM5");
    std::filesystem::create_symlink("unplugged", "COM7"); // not here at all

    EventLoop loop;
    const std::vector<std::string> report = searchFailureReport(lookAtPorts(loop));
    ::close(master);
    serial::setDeviceTable(serial::systemDeviceTable());
    ASSERT_EQ(report.size(), 3u);
    EXPECT_EQ(report[0], "Can not find available device for this console!");
    EXPECT_EQ(report[1], "tried COM1..COM99: COM5 (" + std::filesystem::current_path().string() +
                             "/notes.txt): not a serial device; COM6 (" + name + "): opened, no answer");
}

} // namespace
