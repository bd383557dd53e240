// korvexd as a process under abuse: clients that come and go by the thousand, garbage, noise and
// overlong units, a flood of commands, no file descriptor left, a line missing at start or dropping
// under connected clients, and SIGTERM in the middle of all that. Each test runs under a watchdog.
#include "KorvexdFixture.h"

#include "WaitFor.h"
#include "Watchdog.h"

#include <csignal>
#include <filesystem>
#include <random>
#include <sys/resource.h>

using namespace std::chrono_literals;

namespace {

constexpr const char *kStatus = "A01 GET STA\r\n";
constexpr const char *kAddress = "A01 GET ADDR\r\n";
constexpr const char *kAddressAnswer = "ADDR 01\r\n";
// Once in every "GET STA" answer of a device.
constexpr const char *kStatusMark = "MVW MODE";

} // namespace

class KorvexdReliability : public KorvexdFixture {};

// 1,000 clients come and go in four ways while one client stays: it gets every answer, half a command
// never reaches the device, a client may send and close at once (as a script piping into a socket
// does), and nothing leaks. Beyond the client limit the next one gets one line and is closed.
TEST_F(KorvexdReliability, AThousandClientsComeAndGoWhileTheDeviceAnswers) {
    testsupport::Watchdog watchdog("clients coming and going", 600s);
    startSim();
    startKorvexd({"--line", "COM1", "--poll", "0", "--max-clients", "4"});
    std::unique_ptr<ProtocolClient> stays = connectClient();
    // The answer to korvexd's own status request at start may reach it or not; it comes before this.
    ASSERT_TRUE(stays->send(kAddress) && stays->waitForText(kAddressAnswer));
    std::size_t answers = stays->count(kStatusMark);
    const std::size_t files = m_korvexd.openFiles();
    for (int round = 0; round < 1000; ++round) {
        ProtocolClient client;
        ASSERT_TRUE(client.connect(m_korvexd.port())) << round;
        switch (round % 4) {
        case 0: // leaves at once
            break;
        case 1: // asks and closes
            ASSERT_TRUE(client.send(kStatus)) << round;
            ++answers;
            break;
        case 2: // half a command, then a reset
            ASSERT_TRUE(client.send("A01 SET OUT")) << round;
            client.close(true);
            break;
        case 3: // asks and waits for the answer
            ASSERT_TRUE(client.send(kStatus) && client.waitForText(kStatusMark)) << round;
            ++answers;
            break;
        }
        stays->pump();
    }
    EXPECT_TRUE(stays->waitForCount(kStatusMark, answers));
    EXPECT_EQ(stays->count(kStatusMark), answers);
    ASSERT_TRUE(waitForLog(" left", 1000));
    EXPECT_EQ(m_korvexd.logCount(" connected ("), 1001u);
    EXPECT_EQ(simLines("SET OUT"), 0u);
    EXPECT_EQ(m_korvexd.openFiles(), files);

    std::vector<std::unique_ptr<ProtocolClient>> more;
    for (int i = 0; i < 3; ++i)
        more.push_back(connectClient());
    ASSERT_TRUE(waitForLog("connected (4 of 4)"));
    std::unique_ptr<ProtocolClient> refused = connectClient();
    ASSERT_TRUE(refused->waitForClose());
    EXPECT_EQ(refused->received(), "BUSY: korvexd serves at most 4 clients\r\n");
    more.front()->close();
    ASSERT_TRUE(waitForLog(" left", 1001));
    std::unique_ptr<ProtocolClient> next = connectClient();
    EXPECT_TRUE(next->send(kAddress) && next->waitForText(kAddressAnswer));
}

// What must not reach the line is refused and logged, and does not reach the device; noise goes on the
// line in whole units only. After each, another client is served. (Noise comes last: what it passes
// may well look broken to the device.)
TEST_F(KorvexdReliability, GarbageNoiseAndOverlongUnitsLeaveTheOthersServed) {
    testsupport::Watchdog watchdog("garbage and noise", 300s);
    std::mt19937 random(20261209);
    std::string noise(64 * 1024, '\0');
    for (char &byte : noise)
        byte = static_cast<char>(random() & 0xFF);
    const struct {
        const char *what;
        std::string bytes;
        const char *logged; // the refusal; null where nothing is refused for sure
    } rows[] = {
        {"overlong text line", std::string(2000, 'X') + "\r\n",
         "text line of 2002 bytes refused: longer than the write limit (1024 bytes)"},
        {"frame with a bad checksum", std::string("\xAA\x06\x00\x05\x00\x00\x01\x02\x78\x00", 10),
         "frame of 10 bytes refused: bad checksum"},
        {"frame longer than the write limit",
         std::string("\xAA\x06\x00\xFF\x0F", 5) + std::string(4095, '\x01'),
         "frame of 4100 bytes refused: longer than the write limit (1024 bytes)"},
        {"frame whose length holds nothing", std::string("\xAA\x06\x00\x01\x00", 5),
         "frame of 5 bytes refused: its length field is too small for a frame"},
        {"lines the device does not know", "HELLO\r\n\x01\x02\x7F\r\nA01 GET\r\n", nullptr},
        {"binary noise", noise, nullptr},
    };
    startSim();
    startKorvexd({"--line", "COM1", "--poll", "0"});
    std::unique_ptr<ProtocolClient> other = connectClient();
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        std::unique_ptr<ProtocolClient> sender = connectClient();
        ASSERT_TRUE(sender->send(row.bytes));
        if (row.logged) {
            EXPECT_TRUE(waitForLog(std::string(" ") + row.logged));
            for (const char *tag : {"OVERLONG", "BADFRAME"})
                EXPECT_TRUE(testsupport::simLogEntries(kSimLog, tag).empty()) << tag;
        }
        const std::size_t answers = other->count(kAddressAnswer);
        EXPECT_TRUE(other->send(kAddress) && other->waitForCount(kAddressAnswer, answers + 1));
    }
    EXPECT_TRUE(m_korvexd.running());
}

// A client pours in commands faster than the line takes them, then closes at once: korvexd feeds them
// to the line at its pace, so the port's queue never overflows (which drops a serial line), none is
// lost, not even those still waiting when the client went, and another client's command gets its turn.
TEST_F(KorvexdReliability, AFloodOfCommandsIsPacedNotLost) {
    testsupport::Watchdog watchdog("flood of commands", 300s);
    startSim();
    startKorvexd({"--line", "COM1", "--poll", "0"});
    std::unique_ptr<ProtocolClient> flooder = connectClient();
    std::unique_ptr<ProtocolClient> other = connectClient();
    constexpr std::size_t kCommands = 8000; // 112 KB, 20 s of line time: more than a serial port queues
    std::string flood;
    for (std::size_t i = 0; i < kCommands; ++i)
        flood += kAddress;
    for (std::size_t at = 0; at < flood.size(); at += 7000) {
        ASSERT_TRUE(flooder->send(flood.substr(at, 7000), 60000)) << at;
        ASSERT_TRUE(at != 56000 || other->send(kAddress));
    }
    flooder->close();
    // Every line from the device goes to every client: the other hears the flooder's answers too.
    EXPECT_TRUE(other->waitForCount(kAddressAnswer, kCommands + 1, 180000));
    EXPECT_EQ(other->count(kAddressAnswer), kCommands + 1);
    EXPECT_EQ(simLines("A01 GET ADDR"), kCommands + 1);
    EXPECT_FALSE(m_korvexd.logHas(" lost"));
    EXPECT_FALSE(m_korvexd.logHas("did not go on the line"));
}

// With no file descriptor left for a new client, korvexd says so once and takes the waiting client when
// descriptors are free again, instead of trying to accept in a tight loop.
TEST_F(KorvexdReliability, OutOfFileDescriptorsNewClientsWait) {
#ifdef __SANITIZE_ADDRESS__
    // The sanitizers' own checks open a pipe to probe memory: without a descriptor they report faults
    // that are not there.
    GTEST_SKIP() << "needs file descriptors the sanitizers take";
#endif
    testsupport::Watchdog watchdog("out of file descriptors", 120s);
    startSim();
    startKorvexd({"--line", "COM1", "--poll", "0"});
    ASSERT_TRUE(waitForLog("line COM1 is on"));
    const rlim_t files = m_korvexd.openFiles() + 2;
    const rlimit limit{files, files};
    ASSERT_EQ(::prlimit(m_korvexd.pid(), RLIMIT_NOFILE, &limit, nullptr), 0);
    std::vector<std::unique_ptr<ProtocolClient>> first;
    for (int i = 0; i < 2; ++i)
        first.push_back(connectClient());
    std::unique_ptr<ProtocolClient> waiting = connectClient();
    ASSERT_TRUE(waitForLog("cannot take a new client: Too many open files; trying again"));
    ASSERT_TRUE(waiting->send(kAddress));
    first.clear();
    EXPECT_TRUE(waiting->waitForText(kAddressAnswer));
    EXPECT_EQ(m_korvexd.logCount("cannot take a new client"), 1u);
}

// The line is missing at start, or drops under two connected clients, and comes back: korvexd says so,
// the clients stay connected and get the answer to the status request korvexd sends when it is back,
// and commands sent while it is away are counted, not logged one by one. The serial line is named by
// its device path (a pseudo-terminal's link here).
TEST_F(KorvexdReliability, TheLineGoesAndComesBackUnderConnectedClients) {
    testsupport::Watchdog watchdog("line away and back", 600s);
    const struct {
        const char *what;
        bool network;
        const char *missingAtStart; // what korvexd logs then; null: the line drops after two commands
    } rows[] = {
        {"serial line missing at start", false, ": no such device, waiting for it to return"},
        {"network line missing at start", true, ": connection refused, waiting for it to return"},
        {"serial line drops", false, nullptr},
        {"network line drops", true, nullptr},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        m_korvexd.stop();
        m_sims.clear();
        std::filesystem::remove(kSimLog);
        const std::uint16_t simPort = row.network ? testsupport::freeLoopbackPort() : 0;
        const std::string line = row.network ? "127.0.0.1:" + std::to_string(simPort) : m_cwd->file("line1");
        const auto startTheSim = [&](std::vector<std::string> extra) {
            row.network ? startTcpSim(extra, simPort) : startSim(extra, "line1");
        };
        if (!row.missingAtStart)
            startTheSim({"--hangup-after", "2"});
        startKorvexd({"--line", line, "--poll", "0"});
        std::unique_ptr<ProtocolClient> first = connectClient();
        std::unique_ptr<ProtocolClient> second = connectClient();
        ASSERT_TRUE(waitForLog("connected (2 of 32)"));
        if (row.missingAtStart) {
            ASSERT_TRUE(waitForLog("line " + line + row.missingAtStart));
            ASSERT_TRUE(first->send(std::string(kAddress) + kAddress + kAddress));
            ASSERT_TRUE(waitForLog("units do not go on the line while it is away"));
            startTheSim({});
        } else {
            // korvexd's status request was the first command, this the second; then the line drops.
            ASSERT_TRUE(waitForLog("line " + line + " is on") && first->send(kAddress));
            ASSERT_TRUE(waitForLog("line " + line + " lost"));
            ASSERT_TRUE(first->waitForText(kAddressAnswer) && second->waitForText(kAddressAnswer));
            if (!row.network) {
                ASSERT_TRUE(testsupport::waitFor(
                    [&] { return testsupport::readSimState(kSimState).value("hungUp").toBool(); }));
                startTheSim({});
            }
        }
        // A network line is tried again after one, two, four ... seconds.
        ASSERT_TRUE(waitForLog("line " + line + " is back", 1, 60000));
        if (row.missingAtStart) {
            // Said just after "is back": the log may have been read between the two.
            EXPECT_TRUE(waitForLog("3 units did not go on the line while it was away"));
            EXPECT_EQ(m_korvexd.logCount("units do not go on the line"), 1u);
        }
        // Each client's status answers from before the drop came ahead of its address answer (the
        // switcher answers in order); the answer to korvexd's request when the line is back may have
        // come already.
        for (ProtocolClient *client : {first.get(), second.get()}) {
            const std::size_t before =
                row.missingAtStart ? 0 : client->countBefore(kStatusMark, kAddressAnswer);
            EXPECT_TRUE(client->waitForCount(kStatusMark, before + 1) && !client->closedByPeer());
        }
        // Its one answer before the drop, if the line dropped, and this one.
        EXPECT_TRUE(second->send(kAddress) &&
                    second->waitForCount(kAddressAnswer, row.missingAtStart ? 1 : 2));
        EXPECT_EQ(m_korvexd.logCount(" left"), 0u);
    }
}

// SIGTERM ends korvexd with status 0 whatever it is doing, and the line and the port are free at once:
// korvexd started again on them serves.
TEST_F(KorvexdReliability, SigtermEndsCleanlyInTheMiddleOfThings) {
    testsupport::Watchdog watchdog("SIGTERM", 300s);
    const struct {
        const char *what;
        bool lineThere;
        int stalledRequests; // status requests from a client that reads nothing
    } rows[] = {
        {"idle with clients", true, 0},
        {"answering a client that reads nothing", true, 500},
        {"waiting for its line", false, 0},
    };
    const std::string line = m_cwd->file("line1");
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        m_sims.clear();
        if (row.lineThere)
            startSim({}, "line1");
        startKorvexd({"--line", line, "--poll", "0"});
        std::unique_ptr<ProtocolClient> reader = connectClient();
        std::unique_ptr<ProtocolClient> stalled = connectClient(4096);
        std::string requests;
        for (int i = 0; i < row.stalledRequests; ++i)
            requests += kStatus;
        ASSERT_TRUE(stalled->send(requests));
        ASSERT_TRUE(row.stalledRequests == 0 || reader->waitForText(kStatusMark));
        ASSERT_TRUE(row.lineThere || waitForLog("waiting for it to return"));
        EXPECT_EQ(m_korvexd.stop(SIGTERM), 0);
        const std::vector<std::string> said = m_korvexd.log();
        EXPECT_EQ(said.empty() ? "" : said.back(), "stopping");
        EXPECT_TRUE(reader->waitForClose());

        if (!row.lineThere)
            startSim({}, "line1");
        const std::uint16_t port = m_korvexd.port();
        startKorvexd({"--line", line, "--poll", "0"}, port);
        std::unique_ptr<ProtocolClient> again = connectClient();
        EXPECT_TRUE(again->send(kAddress) && again->waitForText(kAddressAnswer));
        EXPECT_EQ(m_korvexd.stop(SIGTERM), 0);
    }
}
