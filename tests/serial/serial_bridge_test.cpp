#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
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
#include "serial/CComLink.h"
#include "serial/PortNaming.h"
#include "serial/QtLinkBridge.h"
#include "serial_pty.h"

using serialtest::PtyPeer;

namespace {

constexpr uint32_t kConsoleMask = LINK_EV_RXCHAR | LINK_EV_RXFLAG;

std::vector<uint8_t> bytesOf(const std::string &text) {
    return {text.begin(), text.end()};
}

// Waits without running Qt events, so that posted chunks stay queued.
bool waitWithoutEvents(const std::function<bool()> &condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return condition();
        std::this_thread::yield();
    }
    return true;
}

class SerialBridgeTest : public ::testing::Test {
protected:
    void SetUp() override { serial::SetDeviceTable(serial::EmptyDeviceTable()); }
    void TearDown() override { serial::SetDeviceTable(serial::SystemDeviceTable()); }

    bool open(CComLink &link, ILinkOwner &owner, unsigned port) {
        return link.Open(&owner, port, 57600, 'N', 8, 1, kConsoleMask, 1024) && link.StartWorker();
    }

    testsupport::ScopedTempCwd m_cwd;
    QObject m_receiver;
};

TEST_F(SerialBridgeTest, BytesArriveInOrderOnTheReceiversThread) {
    PtyPeer peer(3);
    std::vector<uint8_t> received;
    bool offThread = false;
    QtLinkBridge bridge(&m_receiver, [&](const uint8_t *data, std::size_t size, unsigned port) {
        offThread = offThread || QThread::currentThread() != m_receiver.thread() || port != 3;
        received.insert(received.end(), data, data + size);
    });
    CComLink link;
    ASSERT_TRUE(open(link, bridge, 3));

    const std::vector<uint8_t> sent = serialtest::randomBytes(10000, 3);
    bool written = false;
    std::thread writer([&] { written = peer.write(sent); });
    const bool complete = testsupport::waitFor([&] { return received.size() >= sent.size(); }, 20000);
    writer.join();
    ASSERT_TRUE(written);
    ASSERT_TRUE(complete);
    EXPECT_EQ(received, sent);
    EXPECT_FALSE(offThread);
    link.Close();
    EXPECT_FALSE(link.WorkerAlive());
}

// The operator turns the port off while bytes are being handled: directly in the handler, or in a
// nested event loop that the handler runs (a modal message box). Close returns, and the handler's
// bytes stay valid after it.
TEST_F(SerialBridgeTest, CloseFromInsideTheHandlerDoesNotDeadlock) {
    for (const bool nestedLoop : {false, true}) {
        SCOPED_TRACE(nestedLoop ? "nested loop" : "direct");
        PtyPeer peer(4);
        CComLink link;
        std::vector<uint8_t> seenAfterClose;
        unsigned calls = 0;
        QtLinkBridge bridge(&m_receiver, [&](const uint8_t *data, std::size_t size, unsigned) {
            ++calls;
            if (nestedLoop) {
                QEventLoop loop;
                QTimer::singleShot(0, &loop, [&] {
                    link.Close();
                    loop.quit();
                });
                loop.exec();
            } else {
                link.Close();
            }
            seenAfterClose.assign(data, data + size);
        });
        ASSERT_TRUE(open(link, bridge, 4));
        ASSERT_TRUE(peer.write("OUT1 VS IN2\r\n"));
        ASSERT_TRUE(testsupport::waitFor([&] { return calls > 0; }));
        EXPECT_EQ(calls, 1u);
        EXPECT_FALSE(link.IsOpen());
        EXPECT_FALSE(link.WorkerAlive());
        ASSERT_FALSE(seenAfterClose.empty());
        const std::vector<uint8_t> line = bytesOf("OUT1 VS IN2\r\n");
        EXPECT_TRUE(std::equal(seenAfterClose.begin(), seenAfterClose.end(), line.begin()));
        std::filesystem::remove("COM4");
    }
}

// A chunk posted before Close but not handled yet belongs to a link that is gone: it is dropped. The
// next link through the same bridge is served normally.
TEST_F(SerialBridgeTest, ChunkPostedBeforeCloseIsDropped) {
    PtyPeer peer(5);
    std::vector<uint8_t> received;
    QtLinkBridge bridge(&m_receiver, [&](const uint8_t *data, std::size_t size, unsigned) {
        received.insert(received.end(), data, data + size);
    });
    CComLink link;
    ASSERT_TRUE(open(link, bridge, 5));
    ASSERT_TRUE(peer.write("old"));
    ASSERT_TRUE(waitWithoutEvents([&] { return bridge.HandOffInFlight(); }));
    link.Close();
    EXPECT_FALSE(bridge.HandOffInFlight());
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(received.empty());

    ASSERT_TRUE(open(link, bridge, 5));
    ASSERT_TRUE(peer.write("new"));
    ASSERT_TRUE(testsupport::waitFor([&] { return received.size() >= 3; }));
    EXPECT_EQ(received, bytesOf("new"));
    link.Close();
}

// A receiver destroyed while its chunk waits releases the worker instead of leaving it blocked.
TEST_F(SerialBridgeTest, DestroyedReceiverReleasesTheWorker) {
    PtyPeer peer(6);
    auto receiver = std::make_unique<QObject>();
    unsigned calls = 0;
    QtLinkBridge bridge(receiver.get(), [&](const uint8_t *, std::size_t, unsigned) { ++calls; });
    CComLink link;
    ASSERT_TRUE(open(link, bridge, 6));
    ASSERT_TRUE(peer.write("x"));
    ASSERT_TRUE(waitWithoutEvents([&] { return bridge.HandOffInFlight(); }));
    receiver.reset();
    EXPECT_TRUE(testsupport::waitFor([&] { return !bridge.HandOffInFlight(); }));
    EXPECT_EQ(calls, 0u);
    link.Close();
}

} // namespace
