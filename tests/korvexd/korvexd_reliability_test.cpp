// korvexd as a process under abuse: clients that come and go by the thousand, clients that send
// garbage, noise and overlong units, a line that is missing at start or drops with clients connected,
// and SIGTERM in the middle of all that. Each loop runs under a watchdog.
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
// The line every "GET STA" answer of one device holds once.
constexpr const char *kStatusMark = "MVW MODE";

} // namespace

class KorvexdReliability : public KorvexdFixture {};

// 1,000 clients come and go, each in another way, while one client stays and the device answers
// them: the one that stays gets every answer, a client's unfinished line never reaches the device, a
// client may send and close at once (as a script piping into a socket does), and nothing is leaked.
TEST_F(KorvexdReliability, AThousandClientsComeAndGoWhileTheDeviceAnswers) {
    testsupport::Watchdog watchdog("clients coming and going", 600s);
    startSim();
    startKorvexd({"--line", "COM1", "--poll", "0", "--max-clients", "4"});
    std::unique_ptr<ProtocolClient> stays = connectClient();
    ASSERT_TRUE(waitForLog("connected (1 of 4)"));
    // The answer to korvexd's own status request at start may reach it or not; it comes before this.
    ASSERT_TRUE(stays->send(kAddress));
    ASSERT_TRUE(stays->waitForText("ADDR 01\r\n"));
    const std::size_t answersBefore = stays->count(kStatusMark);
    const std::size_t filesBefore = m_korvexd.openFiles();

    enum class Leave { AtOnce, SendAndClose, HalfALineAndReset, AskWaitAndClose };
    std::size_t asked = 0;
    for (int round = 0; round < 1000; ++round) {
        const Leave how = static_cast<Leave>(round % 4);
        ProtocolClient client;
        ASSERT_TRUE(client.connect(m_korvexd.port())) << "round " << round;
        switch (how) {
        case Leave::AtOnce:
            client.close();
            break;
        case Leave::SendAndClose:
            ASSERT_TRUE(client.send(kStatus)) << "round " << round;
            ++asked;
            client.close();
            break;
        case Leave::HalfALineAndReset:
            ASSERT_TRUE(client.send("A01 SET OUT")) << "round " << round;
            client.close(true);
            break;
        case Leave::AskWaitAndClose:
            ASSERT_TRUE(client.send(kStatus)) << "round " << round;
            ++asked;
            ASSERT_TRUE(client.waitForText(kStatusMark)) << "round " << round;
            client.close();
            break;
        }
        stays->pump();
    }
    ASSERT_TRUE(testsupport::waitFor([&] {
        stays->pump();
        return stays->count(kStatusMark) >= answersBefore + asked;
    }));
    EXPECT_EQ(stays->count(kStatusMark), answersBefore + asked);
    ASSERT_TRUE(waitForLog(" left", 1000));
    EXPECT_EQ(m_korvexd.logCount(" connected ("), 1001u);
    EXPECT_EQ(simLines("SET OUT"), 0u);
    EXPECT_EQ(m_korvexd.openFiles(), filesBefore);

    // The client limit: the fifth of four gets one line and is closed; once one goes, another comes in.
    std::vector<std::unique_ptr<ProtocolClient>> more;
    for (int i = 0; i < 3; ++i)
        more.push_back(connectClient());
    ASSERT_TRUE(waitForLog("connected (4 of 4)"));
    std::unique_ptr<ProtocolClient> refused = connectClient();
    ASSERT_TRUE(refused->waitForClose());
    EXPECT_EQ(refused->received(), "BUSY: korvexd serves at most 4 clients\r\n");
    EXPECT_TRUE(m_korvexd.logHas("refused: 4 clients connected"));
    more.front()->close();
    ASSERT_TRUE(waitForLog(" left", 1001));
    std::unique_ptr<ProtocolClient> next = connectClient();
    ASSERT_TRUE(next->send(kAddress));
    EXPECT_TRUE(next->waitForText("ADDR 01\r\n"));
    EXPECT_TRUE(m_korvexd.running());
}

// What a client sends that must not reach the line is refused and logged; noise goes on the line only
// in whole units. korvexd stays up, and another client is served after each. (Noise comes last: what it
// passes may well look broken to the device.)
TEST_F(KorvexdReliability, GarbageNoiseAndOverlongUnitsLeaveTheOthersServed) {
    testsupport::Watchdog watchdog("garbage and noise", 300s);
    std::mt19937 random(20261209);
    std::string noise(64 * 1024, '\0');
    for (char &byte : noise)
        byte = static_cast<char>(random() & 0xFF);
    std::string longFrame = {'\xAA', '\x06', '\x00', '\xFF', '\x0F'};
    longFrame += std::string(4095, '\x01');

    struct Row {
        const char *what;
        std::string bytes;
        const char *logged; // the refusal korvexd logs; null when nothing is refused for sure
    };
    const std::vector<Row> rows = {
        {"overlong text line", std::string(2000, 'X') + "\r\n",
         "text line of 2002 bytes refused: longer than the write limit (1024 bytes)"},
        {"frame with a bad checksum", std::string("\xAA\x06\x00\x05\x00\x00\x01\x02\x78\x00", 10),
         "frame of 10 bytes refused: bad checksum"},
        {"frame longer than the write limit", longFrame,
         "frame of 4100 bytes refused: longer than the write limit (1024 bytes)"},
        {"frame whose length holds nothing", std::string("\xAA\x06\x00\x01\x00", 5),
         "frame of 5 bytes refused: its length field is too small for a frame"},
        {"lines the device does not know", "HELLO\r\n\x01\x02\x7F\r\nA01 GET\r\n", nullptr},
        {"binary noise", noise, nullptr},
    };

    startSim();
    startKorvexd({"--line", "COM1", "--poll", "0"});
    std::unique_ptr<ProtocolClient> other = connectClient();
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        std::unique_ptr<ProtocolClient> sender = connectClient();
        ASSERT_TRUE(sender->send(row.bytes));
        if (row.logged) {
            EXPECT_TRUE(waitForLog(std::string(" ") + row.logged));
            // Nothing refused reached the device: it saw no overlong line and no broken frame.
            for (const char *tag : {"OVERLONG", "BADFRAME"})
                EXPECT_TRUE(testsupport::simLogEntries(kSimLog, tag).empty()) << tag;
        }
        const std::size_t answers = other->count("ADDR 01");
        ASSERT_TRUE(other->send(kAddress));
        EXPECT_TRUE(testsupport::waitFor([&] {
            other->pump();
            return other->count("ADDR 01") > answers;
        }));
        EXPECT_TRUE(m_korvexd.running());
    }
    EXPECT_FALSE(other->closedByPeer());
}

// A client that pours commands in faster than the line takes them, then closes at once: korvexd holds
// them back in its connection and feeds the line at the line's pace, so the port's queue never
// overflows (which drops a serial line); none is lost, not even those still waiting when the client
// went, and another client's command gets its turn.
TEST_F(KorvexdReliability, AFloodOfCommandsIsPacedNotLost) {
    testsupport::Watchdog watchdog("flood of commands", 300s);
    startSim();
    startKorvexd({"--line", "COM1", "--poll", "0"});
    ASSERT_TRUE(waitForLog("line COM1 is on"));
    std::unique_ptr<ProtocolClient> flooder = connectClient();
    std::unique_ptr<ProtocolClient> other = connectClient();
    constexpr std::size_t kCommands = 8000; // 112 KB, more than a serial port queues
    std::string flood;
    for (std::size_t i = 0; i < kCommands; ++i)
        flood += kAddress;
    for (std::size_t at = 0; at < flood.size(); at += 7000) {
        ASSERT_TRUE(flooder->send(flood.substr(at, 7000), 60000)) << "at byte " << at;
        if (at == 56000) {
            ASSERT_TRUE(other->send(kAddress));
        }
    }
    flooder->close();
    // Every line from the device goes to every client: the other sees the flooder's answers too.
    // 112 KB at 57600 baud is 20 s of line time.
    EXPECT_TRUE(testsupport::waitFor(
        [&] {
            other->pump();
            return other->count("ADDR 01") >= kCommands + 1;
        },
        180000));
    EXPECT_EQ(other->count("ADDR 01"), kCommands + 1);
    EXPECT_EQ(simLines("A01 GET ADDR"), kCommands + 1);
    EXPECT_FALSE(m_korvexd.logHas(" lost"));
    EXPECT_FALSE(m_korvexd.logHas("did not go on the line"));
}

// With no file descriptor left for a new client, korvexd says so once and takes the waiting clients
// when descriptors are free again, instead of trying to accept in a tight loop.
TEST_F(KorvexdReliability, OutOfFileDescriptorsNewClientsWait) {
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
    ASSERT_TRUE(waitForLog("connected (2 of 32)"));
    std::unique_ptr<ProtocolClient> waiting = connectClient();
    ASSERT_TRUE(waitForLog("cannot take a new client: Too many open files; trying again"));
    ASSERT_TRUE(waiting->send(kAddress));
    first.clear();
    EXPECT_TRUE(waiting->waitForText("ADDR 01\r\n"));
    EXPECT_EQ(m_korvexd.logCount("cannot take a new client"), 1u);
}

// The line is missing when korvexd starts, or drops under connected clients, and comes back: korvexd
// says so, the clients stay connected, and each gets the answer of the status request korvexd sends
// when the line is back; commands sent while it is away are counted, not logged one by one. The serial
// line is named by its device path (a pseudo-terminal's link here).
TEST_F(KorvexdReliability, TheLineGoesAndComesBackUnderConnectedClients) {
    testsupport::Watchdog watchdog("line away and back", 600s);
    struct Row {
        const char *what;
        bool network;
        bool missingAtStart;   // else it drops after the second command
        const char *whyLogged; // for a line missing at start
    };
    const std::vector<Row> rows = {
        {"serial line missing at start", false, true, ": no such device, waiting for it to return"},
        {"network line missing at start", true, true, ": connection refused, waiting for it to return"},
        {"serial line drops", false, false, nullptr},
        {"network line drops", true, false, nullptr},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        m_korvexd.stop();
        m_sims.clear();
        std::filesystem::remove(kSimLog);
        const std::uint16_t simPort = row.network ? testsupport::freeLoopbackPort() : 0;
        const std::string line = row.network ? "127.0.0.1:" + std::to_string(simPort) : m_cwd->file("line1");
        const auto startTheSim = [&](std::vector<std::string> extra) {
            if (row.network)
                startTcpSim(extra, simPort);
            else
                startSim(extra, "line1");
        };
        if (!row.missingAtStart)
            startTheSim({"--hangup-after", "2"});
        startKorvexd({"--line", line, "--poll", "0"});
        std::unique_ptr<ProtocolClient> first = connectClient();
        std::unique_ptr<ProtocolClient> second = connectClient();
        ASSERT_TRUE(waitForLog("connected (2 of 32)"));
        if (row.missingAtStart) {
            ASSERT_TRUE(waitForLog("line " + line + row.whyLogged));
            // Commands sent meanwhile cannot go; korvexd says so once, not once each.
            ASSERT_TRUE(first->send(std::string(kAddress) + kAddress + kAddress));
            ASSERT_TRUE(waitForLog("units do not go on the line while it is away"));
            startTheSim({});
        } else {
            ASSERT_TRUE(waitForLog("line " + line + " is on"));
            // korvexd's status request was the first command; this is the second, then the line drops.
            ASSERT_TRUE(first->send(kAddress));
            ASSERT_TRUE(waitForLog("line " + line + " lost"));
            // What came before the drop has reached both.
            for (ProtocolClient *client : {first.get(), second.get()})
                ASSERT_TRUE(client->waitForText("ADDR 01\r\n"));
            if (!row.network) {
                ASSERT_TRUE(testsupport::waitFor(
                    [&] { return testsupport::readSimState(kSimState).value("hungUp").toBool(); }));
                startTheSim({});
            }
        }
        // A network line is retried after one, two, four ... seconds.
        const std::size_t answersBefore = first->count(kStatusMark);
        ASSERT_TRUE(waitForLog("line " + line + " is back", 1, 60000));
        if (row.missingAtStart) {
            EXPECT_TRUE(m_korvexd.logHas("3 units did not go on the line while it was away"));
            EXPECT_EQ(m_korvexd.logCount("units do not go on the line"), 1u);
        }
        for (ProtocolClient *client : {first.get(), second.get()}) {
            EXPECT_TRUE(testsupport::waitFor([&] {
                client->pump();
                return client->count(kStatusMark) > answersBefore;
            }));
            EXPECT_FALSE(client->closedByPeer());
        }
        ASSERT_TRUE(second->send(kAddress));
        EXPECT_TRUE(second->waitForText("ADDR 01\r\n"));
        EXPECT_EQ(m_korvexd.logCount(" left"), 0u);
    }
}

// SIGTERM ends korvexd with status 0 whatever it is doing, and the line and the port are free at once:
// korvexd started again on them serves.
TEST_F(KorvexdReliability, SigtermEndsCleanlyInTheMiddleOfThings) {
    testsupport::Watchdog watchdog("SIGTERM", 300s);
    enum class Doing { Idle, ServingAStalledClient, WaitingForTheLine };
    struct Row {
        const char *what;
        Doing doing;
    };
    const std::vector<Row> rows = {
        {"idle with clients", Doing::Idle},
        {"answering a client that reads nothing", Doing::ServingAStalledClient},
        {"waiting for its line", Doing::WaitingForTheLine},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        m_sims.clear();
        if (row.doing != Doing::WaitingForTheLine)
            startSim();
        startKorvexd({"--line", "COM1", "--poll", "0"});
        const std::uint16_t port = m_korvexd.port();
        std::unique_ptr<ProtocolClient> reader = connectClient();
        std::unique_ptr<ProtocolClient> stalled = connectClient(4096);
        if (row.doing == Doing::ServingAStalledClient) {
            std::string requests;
            for (int i = 0; i < 500; ++i)
                requests += kStatus;
            ASSERT_TRUE(stalled->send(requests));
            ASSERT_TRUE(reader->waitForText(kStatusMark));
        } else if (row.doing == Doing::WaitingForTheLine) {
            ASSERT_TRUE(waitForLog("waiting for it to return"));
        }
        EXPECT_EQ(m_korvexd.stop(SIGTERM), 0);
        const std::vector<std::string> said = m_korvexd.log();
        EXPECT_EQ(said.empty() ? "" : said.back(), "stopping");
        EXPECT_TRUE(reader->waitForClose());

        if (row.doing == Doing::WaitingForTheLine)
            startSim();
        startKorvexd({"--line", "COM1", "--poll", "0"}, port);
        ASSERT_TRUE(waitForLog("line COM1 is on"));
        std::unique_ptr<ProtocolClient> again = connectClient();
        ASSERT_TRUE(again->send(kAddress));
        EXPECT_TRUE(again->waitForText("ADDR 01\r\n"));
        EXPECT_EQ(m_korvexd.stop(SIGTERM), 0);
    }
}
