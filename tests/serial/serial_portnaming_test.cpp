#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TempDir.h"
#include "serial/PortNaming.h"
#include "serial/PortPresence.h"

namespace {

TEST(SerialPortNaming, SystemTableMapsTheFourRanges) {
    struct NodeCase {
        unsigned port;
        const char *path;
    };
    const NodeCase cases[] = {
        {1, "/dev/ttyS0"},
        {32, "/dev/ttyS31"},
        {33, "/dev/ttyUSB0"},
        {64, "/dev/ttyUSB31"},
        {65, "/dev/ttyACM0"},
        {96, "/dev/ttyACM31"},
        {97, "/dev/ttyAMA0"},
        {99, "/dev/ttyAMA2"},
        {0, ""},
        {100, ""},
    };
    const serial::DeviceTable table = serial::systemDeviceTable();
    for (const NodeCase &c : cases)
        EXPECT_EQ(serial::devicePath(table, c.port), c.path) << "COM" << c.port;
}

// A COMn entry in the current directory wins over the table, even when it leads nowhere; without one
// the table decides, and an empty table leaves nothing.
TEST(SerialPortNaming, CurrentDirectoryEntryComesBeforeTheTable) {
    testsupport::ScopedTempCwd cwd;
    std::filesystem::create_symlink("/dev/null", "COM3");
    std::filesystem::create_symlink("/nonexistent/tty", "COM40");
    testsupport::writeFile("COM98", "");
    struct ResolveCase {
        unsigned port;
        bool systemTable;
        const char *path;
    };
    const ResolveCase cases[] = {
        {3, true, "COM3"},       {3, false, "COM3"}, {40, true, "COM40"}, {98, false, "COM98"},
        {4, true, "/dev/ttyS3"}, {4, false, ""},     {0, true, ""},       {100, true, ""},
    };
    for (const ResolveCase &c : cases) {
        serial::setDeviceTable(c.systemTable ? serial::systemDeviceTable() : serial::emptyDeviceTable());
        EXPECT_EQ(serial::resolvePortPath(c.port), c.path) << "COM" << c.port << " system " << c.systemTable;
    }
    serial::setDeviceTable(serial::systemDeviceTable());
}

TEST(SerialPortNaming, CustomTableIsUsedAsSet) {
    testsupport::ScopedTempCwd cwd;
    serial::setDeviceTable(serial::DeviceTable{{{10, 2, "/dev/ttyTEST"}}});
    EXPECT_EQ(serial::resolvePortPath(9), "");
    EXPECT_EQ(serial::resolvePortPath(10), "/dev/ttyTEST0");
    EXPECT_EQ(serial::resolvePortPath(11), "/dev/ttyTEST1");
    EXPECT_EQ(serial::resolvePortPath(12), "");
    EXPECT_EQ(serial::currentDeviceTable().ranges.size(), 1u);
    serial::setDeviceTable(serial::systemDeviceTable());
}

} // namespace

// A legacy serial node exists for every possible UART; only those with a UART behind them count.
TEST(SerialPortNaming, PresentPortsNeedADeviceAndForLegacyNodesAUart) {
    testsupport::ScopedTempCwd cwd;
    std::filesystem::create_directories("dev");
    std::filesystem::create_directories("sys/ttyS0");
    std::filesystem::create_directories("sys/ttyS1");
    testsupport::writeFile("dev/ttyS0", "");
    testsupport::writeFile("dev/ttyS1", "");
    testsupport::writeFile("dev/ttyUSB0", "");
    testsupport::writeFile("sys/ttyS0/type", "4\n"); // a 16550A
    testsupport::writeFile("sys/ttyS1/type", "0\n"); // no UART
    serial::setDeviceTable(
        serial::DeviceTable{{{1, 3, cwd.file("dev/ttyS")}, {33, 2, cwd.file("dev/ttyUSB")}}});
    serial::setSysClassTtyFolder(cwd.file("sys"));
    struct Case {
        unsigned port;
        bool present;
    };
    for (const Case c : {Case{1, true}, Case{2, false}, Case{3, false}, Case{33, true}, Case{34, false},
                         Case{0, false}, Case{100, false}})
        EXPECT_EQ(serial::portPresent(c.port), c.present) << "COM" << c.port;
    serial::setSysClassTtyFolder("/sys/class/tty");
    serial::setDeviceTable(serial::systemDeviceTable());
}
