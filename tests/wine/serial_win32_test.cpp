// CComLink on the Windows serial device. Win32Line cases need the other end of a line on
// COM<KORVEX_TEST_PORT>: under Wine, korvex-wine-peer or korvex-sim on a pseudo-terminal (see
// CMakeLists.txt), each case with its own.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "LineStreams.h"
#include "WaitFor.h"
#include "serial/CComLink.h"
#include "serial/PortNaming.h"

namespace {

constexpr uint32_t kConsoleMask = serial::LINK_EV_RXCHAR | serial::LINK_EV_RXFLAG;
constexpr uint32_t kBufferSize = 1024;
constexpr int kDeadlineMs = 60000; // Wine on a shared machine can be slow

class RecordingOwner : public serial::ILinkOwner {
public:
    void onLinkBytes(const uint8_t *data, std::size_t size) override {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_bytes.insert(m_bytes.end(), data, data + size);
    }
    std::vector<uint8_t> bytes() const {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_bytes;
    }
    std::size_t byteCount() const {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_bytes.size();
    }
    void onLinkDown() override {
        std::lock_guard<std::mutex> guard(m_mutex);
        ++m_downs;
    }
    int downs() const {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_downs;
    }
    std::string text() const {
        const std::vector<uint8_t> all = bytes();
        return std::string(all.begin(), all.end());
    }

private:
    mutable std::mutex m_mutex;
    std::vector<uint8_t> m_bytes;
    int m_downs = 0;
};

bool send(serial::CComLink &link, const std::string &text) {
    return link.Send(reinterpret_cast<const uint8_t *>(text.data()), static_cast<uint32_t>(text.size()));
}

TEST(Win32Port, EveryPortByItsDeviceNamespaceName) {
    const struct {
        unsigned port;
        const char *path;
    } cases[] = {
        {1, "\\\\.\\COM1"}, {9, "\\\\.\\COM9"}, {10, "\\\\.\\COM10"}, {99, "\\\\.\\COM99"}, {0, ""},
        {100, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(serial::resolvePortPath(c.port), c.path) << "COM" << c.port;
}

TEST(Win32Port, PortThatDoesNotExistDoesNotOpen) {
    serial::CComLink link;
    RecordingOwner owner;
    // No machine here has a COM98; under Wine no COM port beyond those it was given exists.
    EXPECT_FALSE(link.Open(&owner, 98, 57600, 'N', 8, 1, kConsoleMask, kBufferSize));
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(link.StartWorker());
    EXPECT_EQ(link.errorFlag(), 0);
    link.Close();
}

class Win32Line : public ::testing::Test {
protected:
    void SetUp() override {
        const char *port = std::getenv("KORVEX_TEST_PORT");
        m_port = port ? static_cast<unsigned>(std::atoi(port)) : 0;
        if (m_port == 0)
            GTEST_SKIP() << "KORVEX_TEST_PORT names no port with a peer on it";
    }

    void open(serial::CComLink &link, serial::ILinkOwner *owner) {
        ASSERT_TRUE(link.Open(owner, m_port, 57600, 'N', 8, 1, kConsoleMask, kBufferSize));
        EXPECT_EQ(link.errorFlag(), 0);
        ASSERT_TRUE(link.StartWorker());
    }

    unsigned m_port = 0;
};

// The peer checks what it receives and that the port runs at 57600 8N1, raw; it sends its last byte
// only once it has all of ours, so having all of its bytes means ours are through.
TEST_F(Win32Line, MovesRandomBytesEachWayInOrder) {
    RecordingOwner owner;
    serial::CComLink link;
    open(link, &owner);
    const std::vector<uint8_t> out =
        linestreams::bytes(linestreams::kExchangeCount, linestreams::kFromWindowsSeed);
    for (std::size_t at = 0; at < out.size(); at += kBufferSize) {
        const uint32_t size = static_cast<uint32_t>(std::min<std::size_t>(kBufferSize, out.size() - at));
        ASSERT_TRUE(link.Send(out.data() + at, size));
    }
    const std::vector<uint8_t> expected =
        linestreams::bytes(linestreams::kExchangeCount, linestreams::kToWindowsSeed);
    ASSERT_TRUE(testsupport::waitFor([&] { return owner.byteCount() >= expected.size(); }, kDeadlineMs))
        << owner.byteCount() << " bytes arrived";
    EXPECT_EQ(owner.bytes(), expected);
    EXPECT_EQ(link.errorFlag(), 0);
    link.Close();
    EXPECT_FALSE(link.workerAlive());
    EXPECT_FALSE(link.isOpen());
}

// Three switchers on the line answer one after the other, each with a status block of the same
// lines (their values may differ). Whole: three blocks of one length, each opened by the same first
// line, which appears nowhere else, and every line ended.
TEST_F(Win32Line, StatusBurstFromSimulatorArrivesWhole) {
    RecordingOwner owner;
    serial::CComLink link;
    open(link, &owner);
    ASSERT_TRUE(send(link, "\r\nA00 GET STA \r\n"));
    const auto threeWholeBlocks = [&] {
        const std::string text = owner.text();
        const std::size_t firstLineEnd = text.find("\r\n");
        if (firstLineEnd == std::string::npos || text.compare(text.size() - 2, 2, "\r\n") != 0)
            return false;
        const std::string firstLine = text.substr(0, firstLineEnd + 2);
        std::vector<std::size_t> starts;
        for (std::size_t at = 0; at != std::string::npos; at = text.find(firstLine, at + 1))
            starts.push_back(at);
        starts.push_back(text.size());
        return starts.size() == 4 && starts[1] > 100 && starts[2] - starts[1] == starts[1] &&
               starts[3] - starts[2] == starts[1];
    };
    ASSERT_TRUE(testsupport::waitFor(threeWholeBlocks, kDeadlineMs)) << owner.text();
    const std::string text = owner.text();
    EXPECT_EQ(text.rfind("OUT1 VS IN1\r\n", 0), 0u);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(text.begin(), text.end(), '\r'));
    EXPECT_EQ(link.errorFlag(), 0);
    link.Close();
    EXPECT_FALSE(link.workerAlive());
}

TEST_F(Win32Line, CloseReturnsDuringAFlood) {
    RecordingOwner owner;
    serial::CComLink link;
    open(link, &owner);
    ASSERT_TRUE(testsupport::waitFor([&] { return owner.byteCount() >= 256 * 1024; }, kDeadlineMs));
    link.Close();
    EXPECT_FALSE(link.workerAlive());
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.errorFlag(), 0);
    // Opens again at once: the port was given back whole.
    open(link, &owner);
    link.Close();
}

// The peer answers the first line and hangs up at the second: the error flag is set once and the
// owner told once that the line is down; nothing more goes out, and the flag outlives Close.
TEST_F(Win32Line, PeerHangUpSetsErrorFlagOnce) {
    RecordingOwner owner;
    serial::CComLink link;
    open(link, &owner);
    ASSERT_TRUE(send(link, "GET STA\r\n"));
    const std::string answer = linestreams::kHangUpAnswer;
    ASSERT_TRUE(testsupport::waitFor([&] { return owner.byteCount() == answer.size(); }, kDeadlineMs));
    EXPECT_EQ(link.errorFlag(), 0);
    ASSERT_TRUE(send(link, "BYE\r\n"));
    ASSERT_TRUE(testsupport::waitFor([&] { return link.errorFlag() == 1; }, kDeadlineMs));
    ASSERT_TRUE(testsupport::waitFor([&] { return owner.downs() == 1; }, kDeadlineMs));
    EXPECT_EQ(owner.text(), answer);
    EXPECT_EQ(link.errorReports(), 1u);
    EXPECT_TRUE(link.workerAlive());
    EXPECT_FALSE(send(link, "GET STA\r\n"));
    link.Close();
    EXPECT_FALSE(link.workerAlive());
    EXPECT_EQ(link.errorReports(), 1u);
    EXPECT_EQ(link.errorFlag(), 1);
    EXPECT_EQ(owner.downs(), 1);
}

} // namespace
