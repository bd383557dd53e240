#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "TempDir.h"
#include "serial/SerialDevice.h"
#include "serial_pty.h"

namespace {

using Io = serial::SerialDevice::Io;

// What the worker relies on: an idle port would block (not "hung up"), data reads as data, and only a
// real hang-up reads as one; waits report the port and the signals apart.
TEST(SerialDevice, ReadTellsIdleDataAndHangUpApart) {
    testsupport::ScopedTempCwd cwd;
    serialtest::PtyPeer peer(1);
    serial::SerialDevice device;
    ASSERT_EQ(device.open("COM1"), serial::SerialDevice::OpenResult::Opened);
    ASSERT_TRUE(device.useNonBlockingIo());
    serial::SerialDevice::Step failed{};
    ASSERT_TRUE(device.applyLineSettings({}, &failed));
    uint8_t buffer[16];

    EXPECT_EQ(device.read(buffer, sizeof buffer).status, Io::WouldBlock);

    ASSERT_TRUE(device.createSignals());
    ASSERT_TRUE(peer.write("abc"));
    serial::SerialDevice::Wake wake = device.wait(true, true, false);
    EXPECT_TRUE(wake.readable);
    EXPECT_FALSE(wake.shutdown || wake.writeRequest || wake.hangUp);
    const Io data = device.read(buffer, sizeof buffer);
    ASSERT_EQ(data.status, Io::Ok);
    EXPECT_EQ(std::string(buffer, buffer + data.count), "abc");
    EXPECT_EQ(device.read(buffer, sizeof buffer).status, Io::WouldBlock);

    ASSERT_TRUE(device.signalWrite());
    wake = device.wait(true, true, false);
    EXPECT_TRUE(wake.writeRequest);
    EXPECT_FALSE(wake.readable);
    device.takeWriteSignal();
    ASSERT_TRUE(device.signalShutdown());
    EXPECT_TRUE(device.shutdownSignalled());
    EXPECT_TRUE(device.wait(false, false, false).shutdown);
    device.resetSignals();
    EXPECT_FALSE(device.shutdownSignalled());

    peer.unplug();
    wake = device.wait(true, true, false);
    EXPECT_TRUE(wake.hangUp);
    EXPECT_EQ(device.read(buffer, sizeof buffer).status, Io::HangUp);
    EXPECT_EQ(device.write(buffer, 1).status, Io::HangUp);
}

} // namespace
