#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "TempDir.h"
#include "WaitFor.h"
#include "serial/CComLink.h"
#include "serial/PortNaming.h"
#include "serial_pty.h"

using serialtest::PtyPeer;

namespace {

constexpr unsigned kBaud = 57600;
constexpr uint32_t kConsoleMask = serial::LINK_EV_RXCHAR | serial::LINK_EV_RXFLAG;
constexpr uint32_t kBufferSize = 1024;

// Records what the worker hands over. With holdHandOffs, each onLinkBytes waits until pumpPending
// (what Close calls while it waits for the worker) or release().
class RecordingOwner : public serial::ILinkOwner {
public:
    explicit RecordingOwner(bool holdHandOffs = false) : m_hold(holdHandOffs) {}

    void onLinkBytes(const uint8_t *data, std::size_t size) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_bytes.insert(m_bytes.end(), data, data + size);
        if (m_hold) {
            m_inHandOff = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_released; });
            m_inHandOff = false;
        }
    }
    void onLinkEvent(unsigned message) override {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_events.push_back(message);
    }
    void onLinkDown() override {
        std::lock_guard<std::mutex> guard(m_mutex);
        ++m_downs;
    }
    void pumpPending() override {
        std::lock_guard<std::mutex> guard(m_mutex);
        ++m_pumps;
        m_released = true;
        m_changed.notify_all();
    }

    std::vector<uint8_t> bytes() const {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_bytes;
    }
    std::size_t byteCount() const { return bytes().size(); }
    std::vector<unsigned> events() const {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_events;
    }
    int downs() const {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_downs;
    }
    bool inHandOff() const {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_inHandOff;
    }
    unsigned pumps() const {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_pumps;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_hold;
    bool m_inHandOff = false;
    bool m_released = false;
    unsigned m_pumps = 0;
    std::vector<uint8_t> m_bytes;
    std::vector<unsigned> m_events;
    int m_downs = 0;
};

std::vector<uint8_t> bytesOf(const std::string &text) {
    return {text.begin(), text.end()};
}

bool send(serial::CComLink &link, const std::vector<uint8_t> &bytes) {
    return link.Send(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

// Each test runs in its own folder where only its COMn links count, whatever the machine has in /dev.
class SerialLinkTest : public ::testing::Test {
protected:
    void SetUp() override { serial::setDeviceTable(serial::emptyDeviceTable()); }
    void TearDown() override { serial::setDeviceTable(serial::systemDeviceTable()); }

    bool openConsoleStyle(serial::CComLink &link, serial::ILinkOwner *owner, unsigned port) {
        return link.Open(owner, port, kBaud, 'N', 8, 1, kConsoleMask, kBufferSize);
    }

    testsupport::ScopedTempCwd m_cwd;
};

struct LineCase {
    unsigned baud;
    char parity;
    unsigned dataBits;
    unsigned stopBits;
    speed_t speed;
};

TEST_F(SerialLinkTest, OpensRawWithTheRequestedLineSettings) {
    const LineCase cases[] = {
        {57600, 'N', 8, 1, B57600},
        {9600, 'n', 8, 2, B9600},
        {115200, 'N', 8, 1, B115200},
        {1200, 'N', 8, 2, B1200},
    };
    for (const LineCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.baud) + c.parity + std::to_string(c.stopBits));
        PtyPeer peer(3);
        serial::CComLink link;
        ASSERT_TRUE(
            link.Open(nullptr, 3, c.baud, c.parity, c.dataBits, c.stopBits, kConsoleMask, kBufferSize));
        EXPECT_TRUE(link.isOpen());
        EXPECT_EQ(link.errorFlag(), 0);
        EXPECT_EQ(link.portNumber(), 3u);
        const termios tio = peer.slaveSettings();
        EXPECT_EQ(cfgetispeed(&tio), c.speed);
        EXPECT_EQ(cfgetospeed(&tio), c.speed);
        EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t(CS8));
        EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | CMSPAR), 0u);
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.stopBits == 2);
        EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
        EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
        EXPECT_EQ(tio.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF | ISTRIP), 0u);
        EXPECT_EQ(tio.c_oflag & OPOST, 0u);
        link.Close();
        std::filesystem::remove("COM3");
    }
}

// A pseudo-terminal always frames 8 bits without parity. A frame the driver does not take is a
// configuration failure like any other: the port opens and the error flag is set.
TEST_F(SerialLinkTest, FrameTheDriverDoesNotTakeSetsErrorFlag) {
    const LineCase cases[] = {
        {9600, 'E', 7, 2, B9600},
        {19200, 'o', 8, 1, B19200},
        {19200, 'M', 8, 1, B19200},
        {1200, 's', 5, 1, B1200},
    };
    for (const LineCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.baud) + c.parity + std::to_string(c.dataBits));
        PtyPeer peer(3);
        serial::CComLink link;
        EXPECT_TRUE(
            link.Open(nullptr, 3, c.baud, c.parity, c.dataBits, c.stopBits, kConsoleMask, kBufferSize));
        EXPECT_TRUE(link.isOpen());
        EXPECT_EQ(link.errorFlag(), 1);
        const termios tio = peer.slaveSettings();
        EXPECT_EQ(cfgetospeed(&tio), c.speed); // what the driver took stays applied
        link.Close();
        std::filesystem::remove("COM3");
    }
}

// A configuration step that fails leaves the port open, with the error flag set, and applies nothing
// after it (the terminal stays canonical as it was).
TEST_F(SerialLinkTest, ConfigurationFailureStillOpensAndSetsErrorFlag) {
    struct BadCase {
        const char *what;
        unsigned baud;
        char parity;
        unsigned dataBits;
        unsigned stopBits;
        uint32_t mask;
    };
    const BadCase cases[] = {
        {"baud", 12345, 'N', 8, 1, kConsoleMask},   {"parity", 57600, 'X', 8, 1, kConsoleMask},
        {"data 9", 57600, 'N', 9, 1, kConsoleMask}, {"data 4", 57600, 'N', 4, 1, kConsoleMask},
        {"stop 3", 57600, 'N', 8, 3, kConsoleMask}, {"stop 0", 57600, 'N', 8, 0, kConsoleMask},
        {"mask", 57600, 'N', 8, 1, 0x10000},
    };
    for (const BadCase &c : cases) {
        SCOPED_TRACE(c.what);
        PtyPeer peer(4);
        serial::CComLink link;
        EXPECT_TRUE(link.Open(nullptr, 4, c.baud, c.parity, c.dataBits, c.stopBits, c.mask, kBufferSize));
        EXPECT_TRUE(link.isOpen());
        EXPECT_EQ(link.errorFlag(), 1);
        EXPECT_NE(peer.slaveSettings().c_lflag & ICANON, 0u);
        link.clearError();
        EXPECT_EQ(link.errorFlag(), 0);
        link.Close();
        std::filesystem::remove("COM4");
    }
}

TEST_F(SerialLinkTest, ReceivedBytesArriveCompleteAndInOrder) {
    PtyPeer peer(7);
    RecordingOwner owner;
    serial::CComLink link;
    ASSERT_TRUE(openConsoleStyle(link, &owner, 7));
    ASSERT_TRUE(link.StartWorker());
    EXPECT_TRUE(testsupport::waitFor([&] { return link.workerAlive(); }));

    const std::vector<uint8_t> sent = serialtest::randomBytes(10000, 7);
    ASSERT_TRUE(peer.write(sent));
    ASSERT_TRUE(testsupport::waitFor([&] { return owner.byteCount() >= sent.size(); }, 20000));
    EXPECT_EQ(owner.bytes(), sent);
    EXPECT_EQ(link.errorFlag(), 0);
    link.Close();
    EXPECT_FALSE(link.workerAlive());
    EXPECT_FALSE(link.isOpen());
}

TEST_F(SerialLinkTest, SentRequestsArriveWholeAndInOrder) {
    struct SendCase {
        const char *what;
        std::vector<std::vector<uint8_t>> requests;
    };
    std::vector<std::vector<uint8_t>> small, large;
    for (unsigned i = 0; i < 500; ++i)
        small.push_back(serialtest::randomBytes(1 + i % 37, i));
    // Far more than the terminal buffers: writes come back partial or would block.
    for (unsigned i = 0; i < 60; ++i)
        large.push_back(serialtest::randomBytes(kBufferSize, 1000 + i));
    const SendCase cases[] = {
        {"back to back", {bytesOf("\r\nSET OUT3 VS IN7 \r\n"), bytesOf("\r\nGET STA \r\n")}},
        {"many small", small},
        {"full buffers", large},
    };
    for (const SendCase &c : cases) {
        SCOPED_TRACE(c.what);
        PtyPeer peer(2);
        RecordingOwner owner;
        serial::CComLink link;
        ASSERT_TRUE(openConsoleStyle(link, &owner, 2));
        ASSERT_TRUE(link.StartWorker());
        std::vector<uint8_t> expected;
        for (const auto &request : c.requests) {
            EXPECT_TRUE(send(link, request));
            expected.insert(expected.end(), request.begin(), request.end());
        }
        EXPECT_EQ(peer.read(expected.size()), expected);
        EXPECT_EQ(link.errorFlag(), 0);
        link.Close();
        std::filesystem::remove("COM2");
    }
}

TEST_F(SerialLinkTest, RequestLongerThanWriteBufferIsRefusedWhole) {
    PtyPeer peer(5);
    serial::CComLink link;
    ASSERT_TRUE(link.Open(nullptr, 5, kBaud, 'N', 8, 1, kConsoleMask, 16));
    ASSERT_TRUE(link.StartWorker());
    const std::vector<uint8_t> tooLong(17, 'x');
    EXPECT_FALSE(send(link, tooLong));
    EXPECT_EQ(link.errorFlag(), 1);
    const std::vector<uint8_t> exact = bytesOf("0123456789ABCDEF");
    EXPECT_TRUE(send(link, exact));
    EXPECT_FALSE(send(link, tooLong));
    EXPECT_TRUE(send(link, bytesOf("!")));
    // Only the accepted requests reach the line: nothing of the refused ones between them.
    EXPECT_EQ(peer.read(exact.size() + 1), bytesOf("0123456789ABCDEF!"));
    EXPECT_EQ(link.errorReports(), 2u);
    link.Close();
}

// A line that does not drain fills the queue; the request that does not fit is refused whole, and
// every accepted one still goes out intact once the line moves again.
TEST_F(SerialLinkTest, FullQueueRefusesWholeRequestAndKeepsAcceptedOnes) {
    PtyPeer peer(6);
    serial::CComLink link;
    ASSERT_TRUE(link.Open(nullptr, 6, kBaud, 'N', 8, 1, kConsoleMask, 256));
    ASSERT_TRUE(link.StartWorker());
    std::vector<uint8_t> accepted;
    bool refused = false;
    for (unsigned i = 0; i < 4000 && !refused; ++i) {
        const std::vector<uint8_t> request = serialtest::randomBytes(256, i);
        if (send(link, request))
            accepted.insert(accepted.end(), request.begin(), request.end());
        else
            refused = true;
    }
    ASSERT_TRUE(refused);
    EXPECT_EQ(link.errorFlag(), 1);
    EXPECT_EQ(accepted.size() % 256, 0u);
    EXPECT_EQ(peer.read(accepted.size()), accepted);
    link.Close();
}

// Writing never discards input that has arrived but is not read yet: a request queued before the
// worker runs goes out while a reply waits unread, and both arrive.
TEST_F(SerialLinkTest, WritingKeepsUnreadInput) {
    PtyPeer peer(8);
    RecordingOwner owner;
    serial::CComLink link;
    ASSERT_TRUE(openConsoleStyle(link, &owner, 8));
    ASSERT_TRUE(peer.write("OUT3 VS IN7\r\n"));
    const std::vector<uint8_t> command = bytesOf("\r\nGET STA \r\n");
    EXPECT_TRUE(send(link, command));
    ASSERT_TRUE(link.StartWorker());
    EXPECT_EQ(peer.read(command.size()), command);
    ASSERT_TRUE(testsupport::waitFor([&] { return owner.byteCount() >= 13; }));
    EXPECT_EQ(owner.bytes(), bytesOf("OUT3 VS IN7\r\n"));
    link.Close();
}

TEST_F(SerialLinkTest, OpeningDiscardsStaleInput) {
    PtyPeer peer(9);
    ASSERT_TRUE(peer.write("stale"));
    RecordingOwner owner;
    serial::CComLink link;
    ASSERT_TRUE(openConsoleStyle(link, &owner, 9));
    ASSERT_TRUE(link.StartWorker());
    ASSERT_TRUE(peer.write("fresh"));
    ASSERT_TRUE(testsupport::waitFor([&] { return owner.byteCount() >= 5; }));
    EXPECT_EQ(owner.bytes(), bytesOf("fresh"));
    link.Close();
}

TEST_F(SerialLinkTest, CloseOnNeverOpenedLinkHasNoEffect) {
    serial::CComLink link;
    link.Close();
    link.Close();
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(link.workerAlive());
    EXPECT_EQ(link.errorFlag(), 0);
    const uint8_t byte = 'x';
    EXPECT_FALSE(link.Send(&byte, 1));
    EXPECT_FALSE(link.StartWorker());
}

TEST_F(SerialLinkTest, CloseReturnsWhileWorkerIsBlockedHandingOverBytes) {
    PtyPeer peer(11);
    RecordingOwner owner(/*holdHandOffs=*/true);
    serial::CComLink link;
    ASSERT_TRUE(openConsoleStyle(link, &owner, 11));
    ASSERT_TRUE(link.StartWorker());
    ASSERT_TRUE(peer.write("A"));
    ASSERT_TRUE(testsupport::waitFor([&] { return owner.inHandOff(); }));
    ASSERT_TRUE(peer.write("more bytes queued behind"));

    link.Close();
    EXPECT_GE(owner.pumps(), 1u);
    EXPECT_FALSE(link.workerAlive());
    EXPECT_FALSE(link.isOpen());
    // The shutdown is seen before the next read: nothing after the held chunk was handed over.
    EXPECT_EQ(owner.bytes(), bytesOf("A"));
}

// An unplugged device sets the error flag once; the worker then stops watching the port instead of
// waking up again and again on the hang-up.
TEST_F(SerialLinkTest, UnplugSetsErrorFlagOnceWithoutSpinning) {
    const std::size_t fdsBefore = serialtest::openFdCount();
    {
        auto peer = std::make_unique<PtyPeer>(12);
        RecordingOwner owner;
        serial::CComLink link;
        ASSERT_TRUE(openConsoleStyle(link, &owner, 12));
        ASSERT_TRUE(link.StartWorker());
        ASSERT_TRUE(peer->write("OUT1 VS IN1\r\n"));
        ASSERT_TRUE(testsupport::waitFor([&] { return owner.byteCount() == 13; }));

        peer->unplug();
        ASSERT_TRUE(testsupport::waitFor([&] { return link.errorFlag() == 1; }));
        // The owner is told, though nothing more arrives.
        ASSERT_TRUE(testsupport::waitFor([&] { return owner.downs() == 1; }));
        EXPECT_EQ(link.errorReports(), 1u);
        const std::uint64_t wakeups = link.workerWakeups();

        // Keep another link busy for a while; a worker that spun on the hang-up would wake meanwhile.
        PtyPeer otherPeer(13);
        RecordingOwner otherOwner;
        serial::CComLink other;
        ASSERT_TRUE(openConsoleStyle(other, &otherOwner, 13));
        ASSERT_TRUE(other.StartWorker());
        for (unsigned i = 0; i < 50; ++i) {
            ASSERT_TRUE(otherPeer.write("x"));
            ASSERT_TRUE(testsupport::waitFor([&] { return otherOwner.byteCount() == i + 1; }));
            ASSERT_TRUE(other.Send(reinterpret_cast<const uint8_t *>("y"), 1));
            ASSERT_EQ(otherPeer.read(1).size(), 1u);
        }
        other.Close();

        EXPECT_EQ(link.workerWakeups(), wakeups);
        EXPECT_EQ(link.errorReports(), 1u);
        EXPECT_TRUE(link.workerAlive());
        EXPECT_FALSE(send(link, bytesOf("GET STA")));
        EXPECT_EQ(owner.bytes(), bytesOf("OUT1 VS IN1\r\n"));
        EXPECT_EQ(owner.downs(), 1);
        link.Close();
        EXPECT_FALSE(link.workerAlive());
        EXPECT_EQ(link.errorFlag(), 1); // survives Close; the owner clears it
    }
    EXPECT_EQ(serialtest::openFdCount(), fdsBefore);
}

TEST_F(SerialLinkTest, PortThatDoesNotOpenReturnsFalseAndLeavesNothingOpen) {
    std::filesystem::create_symlink("/nonexistent/ttyX", "COM21");
    testsupport::writeFile("plain-file", "not a terminal");
    std::filesystem::create_symlink(m_cwd.file("plain-file"), "COM22");
    std::filesystem::create_directory("COM23");
    struct MissingCase {
        const char *what;
        unsigned port;
    };
    const MissingCase cases[] = {
        {"no COMn and no table entry", 20},
        {"dangling link", 21},
        {"regular file", 22},
        {"folder", 23},
        {"port 0", 0},
        {"port 100", 100},
    };
    for (const MissingCase &c : cases) {
        SCOPED_TRACE(c.what);
        const std::size_t fdsBefore = serialtest::openFdCount();
        RecordingOwner owner;
        serial::CComLink link;
        EXPECT_FALSE(openConsoleStyle(link, &owner, c.port));
        EXPECT_FALSE(link.isOpen());
        EXPECT_FALSE(link.StartWorker());
        EXPECT_EQ(link.errorFlag(), 0);
        EXPECT_FALSE(send(link, bytesOf("x")));
        link.Close();
        EXPECT_EQ(serialtest::openFdCount(), fdsBefore);
    }
}

TEST_F(SerialLinkTest, SecondOpenOfALockedPortFails) {
    PtyPeer peer(14);
    peer.linkAs(15); // the same terminal under another name
    serial::CComLink first, second;
    ASSERT_TRUE(openConsoleStyle(first, nullptr, 14));
    EXPECT_FALSE(openConsoleStyle(second, nullptr, 14));
    EXPECT_FALSE(openConsoleStyle(second, nullptr, 15));
    EXPECT_FALSE(second.isOpen());
    first.Close();
    EXPECT_TRUE(openConsoleStyle(second, nullptr, 14));
    second.Close();
}

TEST_F(SerialLinkTest, OpenCloseCyclesLeakNoDescriptorsOrThreads) {
    PtyPeer peer(16);
    RecordingOwner owner;
    const std::size_t fdsBefore = serialtest::openFdCount();
    const std::size_t threadsBefore = serialtest::threadCount();
    {
        serial::CComLink link;
        for (unsigned i = 0; i < 200; ++i) {
            ASSERT_TRUE(openConsoleStyle(link, &owner, 16)) << "cycle " << i;
            ASSERT_TRUE(link.StartWorker()) << "cycle " << i;
            if (i % 2 == 1) {
                // Open while a worker runs stops that worker first.
                ASSERT_TRUE(openConsoleStyle(link, &owner, 16)) << "cycle " << i;
                ASSERT_TRUE(link.StartWorker()) << "cycle " << i;
            }
            link.Close();
            ASSERT_FALSE(link.workerAlive());
        }
        // Destruction of an open, running link stops and closes everything too.
        ASSERT_TRUE(openConsoleStyle(link, &owner, 16));
        ASSERT_TRUE(link.StartWorker());
    }
    EXPECT_EQ(serialtest::openFdCount(), fdsBefore);
    // A joined thread can linger in /proc for a moment while the kernel reaps it.
    EXPECT_TRUE(testsupport::waitFor([&] { return serialtest::threadCount() == threadsBefore; }))
        << serialtest::threadCount() << " threads, " << threadsBefore << " before";
}

// The notifications besides the bytes follow the event mask, after each hand-over, in a fixed order.
TEST_F(SerialLinkTest, EventMaskSelectsNotifications) {
    struct MaskCase {
        uint32_t mask;
        std::vector<unsigned> events;
    };
    const MaskCase cases[] = {
        {kConsoleMask, {serial::WM_LINK_RXFLAG}},
        {serial::LINK_EV_RXCHAR, {}},
        {serial::LINK_EV_RXCHAR | serial::LINK_EV_RXFLAG | serial::LINK_EV_CTS | serial::LINK_EV_BREAK |
             serial::LINK_EV_ERR | serial::LINK_EV_RING,
         {serial::WM_LINK_CTS, serial::WM_LINK_BREAK, serial::WM_LINK_ERROR, serial::WM_LINK_RING,
          serial::WM_LINK_RXFLAG}},
    };
    for (const MaskCase &c : cases) {
        SCOPED_TRACE(c.mask);
        PtyPeer peer(17);
        RecordingOwner owner;
        serial::CComLink link;
        ASSERT_TRUE(link.Open(&owner, 17, kBaud, 'N', 8, 1, c.mask, kBufferSize));
        ASSERT_TRUE(link.StartWorker());
        ASSERT_TRUE(peer.write("q"));
        ASSERT_TRUE(testsupport::waitFor([&] { return owner.byteCount() == 1; }));
        // A round trip through the same worker: the notifications of the drain are done by then.
        ASSERT_TRUE(send(link, bytesOf("z")));
        ASSERT_EQ(peer.read(1), bytesOf("z"));
        EXPECT_EQ(owner.events(), c.events);
        link.Close();
        std::filesystem::remove("COM17");
    }
}

// Without the received-character bit nothing is read, and the waiting input does not keep the
// worker busy.
TEST_F(SerialLinkTest, MaskWithoutReceivedCharacterLeavesInputUnread) {
    PtyPeer peer(18);
    RecordingOwner owner;
    serial::CComLink link;
    ASSERT_TRUE(link.Open(&owner, 18, kBaud, 'N', 8, 1, 0, kBufferSize));
    ASSERT_TRUE(link.StartWorker());
    ASSERT_TRUE(peer.write("unread"));
    for (unsigned i = 0; i < 20; ++i) {
        ASSERT_TRUE(send(link, bytesOf("z")));
        ASSERT_EQ(peer.read(1), bytesOf("z"));
    }
    EXPECT_TRUE(owner.bytes().empty());
    EXPECT_LE(link.workerWakeups(), 20u);
    link.Close();
}

} // namespace
