// The serial transport over the console's hand-off: bytes from the link's worker reach the window's
// thread whole and in order, and the port can be closed anywhere on that thread without deadlock.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "TempDir.h"
#include "WaitFor.h"
#include "serial/PortNaming.h"
#include "serial/SerialTransport.h"
#include "serial_pty.h"
#include "ui/QtHandOff.h"

using serialtest::PtyPeer;

namespace {

// Waits without running Qt events, so that posted calls stay queued.
bool waitWithoutEvents(const std::function<bool()> &condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return condition();
        std::this_thread::yield();
    }
    return true;
}

struct Recorder : session::ITransportEvents {
    std::function<void(const std::uint8_t *, std::size_t)> onBytes;
    std::string bytes;
    int drops = 0;
    bool offThread = false;
    void onTransportBytes(const std::uint8_t *data, std::size_t size) override {
        offThread = offThread || QThread::currentThread() != QCoreApplication::instance()->thread();
        bytes.append(reinterpret_cast<const char *>(data), size);
        if (onBytes)
            onBytes(data, size);
    }
    void onTransportDrop() override { ++drops; }
};

class SerialHandOffTest : public ::testing::Test {
protected:
    void SetUp() override { serial::setDeviceTable(serial::emptyDeviceTable()); }
    void TearDown() override { serial::setDeviceTable(serial::systemDeviceTable()); }

    testsupport::ScopedTempCwd m_cwd;
};

TEST_F(SerialHandOffTest, BytesArriveInOrderOnTheWindowsThreadAndADropOnce) {
    auto peer = std::make_unique<PtyPeer>(3);
    ui::QtHandOff handOff;
    serial::SerialTransport port(3, handOff);
    Recorder events;
    ASSERT_TRUE(port.open(&events, true));

    const std::vector<uint8_t> sent = serialtest::randomBytes(10000, 3);
    bool written = false;
    std::thread writer([&] { written = peer->write(sent); });
    const bool complete = testsupport::waitFor([&] { return events.bytes.size() >= sent.size(); }, 20000);
    writer.join();
    ASSERT_TRUE(written && complete);
    EXPECT_EQ(events.bytes, std::string(sent.begin(), sent.end()));
    EXPECT_FALSE(events.offThread);

    // An unplugged device is reported once, with no byte that was not received.
    peer->unplug();
    ASSERT_TRUE(testsupport::waitFor([&] { return events.drops > 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(events.drops, 1);
    EXPECT_EQ(events.bytes.size(), sent.size());
    EXPECT_TRUE(port.failed());
    port.close();
}

// The operator turns the port off while bytes are being handled: directly in the handler, or in a
// nested event loop that the handler runs (a modal message box). Close returns, and the handler's
// bytes stay valid after it.
TEST_F(SerialHandOffTest, CloseFromInsideTheHandlerDoesNotDeadlock) {
    for (const bool nestedLoop : {false, true}) {
        SCOPED_TRACE(nestedLoop ? "nested loop" : "direct");
        PtyPeer peer(4);
        ui::QtHandOff handOff;
        serial::SerialTransport port(4, handOff);
        Recorder events;
        std::string seenAfterClose;
        unsigned calls = 0;
        events.onBytes = [&](const std::uint8_t *data, std::size_t size) {
            ++calls;
            if (nestedLoop) {
                QEventLoop loop;
                QTimer::singleShot(0, &loop, [&] {
                    port.close();
                    loop.quit();
                });
                loop.exec();
            } else {
                port.close();
            }
            seenAfterClose.assign(reinterpret_cast<const char *>(data), size);
        };
        ASSERT_TRUE(port.open(&events, true));
        ASSERT_TRUE(peer.write("OUT1 VS IN2\r\n"));
        ASSERT_TRUE(testsupport::waitFor([&] { return calls > 0; }));
        EXPECT_EQ(calls, 1u);
        EXPECT_FALSE(port.isOpen());
        EXPECT_FALSE(port.link().workerAlive());
        EXPECT_TRUE(std::string("OUT1 VS IN2\r\n").starts_with(seenAfterClose));
        EXPECT_FALSE(seenAfterClose.empty());
        std::filesystem::remove("COM4");
    }
}

// Bytes posted before Close but not handled yet belong to an opening that is gone: they are dropped,
// and the next opening is served normally. A hand-off that goes while a worker waits releases it.
TEST_F(SerialHandOffTest, WhatWasPostedBeforeCloseIsDroppedAndNoWorkerIsLeftWaiting) {
    PtyPeer peer(5);
    auto handOff = std::make_unique<ui::QtHandOff>();
    serial::SerialTransport port(5, *handOff);
    Recorder events;
    ASSERT_TRUE(port.open(&events, true));
    ASSERT_TRUE(peer.write("old"));
    ASSERT_TRUE(waitWithoutEvents([&] { return port.handOffWaiting(); }));
    port.close();
    EXPECT_FALSE(port.handOffWaiting());
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(events.bytes.empty());

    ASSERT_TRUE(port.open(&events, true));
    ASSERT_TRUE(peer.write("new"));
    ASSERT_TRUE(testsupport::waitFor([&] { return events.bytes.size() >= 3; }));
    EXPECT_EQ(events.bytes, "new");

    ASSERT_TRUE(peer.write("x"));
    ASSERT_TRUE(waitWithoutEvents([&] { return port.handOffWaiting(); }));
    handOff.reset();
    EXPECT_TRUE(testsupport::waitFor([&] { return !port.handOffWaiting(); }));
    port.close(); // returns: the worker was released when its queued call went with the hand-off
    EXPECT_FALSE(port.link().workerAlive());
    EXPECT_EQ(events.bytes, "new");
}

} // namespace
