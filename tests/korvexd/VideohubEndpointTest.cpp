// korvexd's Videohub listener end to end: korvex-sim on a pseudo-terminal linked as COM1 in a
// temporary folder, korvexd on it with free loopback ports, and router clients written from the
// protocol notes.

#include "SimProcess.h"
#include "TempDir.h"
#include "VideohubClient.h"
#include "WaitFor.h"

#include <QJsonArray>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using testsupport::VideohubClient;
using Reply = VideohubClient::Reply;
using State = VideohubClient::State;

constexpr int kDeadlineMs = 20000;
constexpr std::chrono::milliseconds kDeadline{kDeadlineMs};

// A loopback port nothing listens on now. Another program may take it before korvexd does: the start
// is then tried again on other ports.
std::string freePort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    auto *any = reinterpret_cast<sockaddr *>(&address);
    const bool bound = ::bind(probe, any, length) == 0 && ::getsockname(probe, any, &length) == 0;
    ::close(probe);
    return bound ? std::to_string(ntohs(address.sin_port)) : "0";
}

// korvexd as a child process, its output and errors in a file; it gets SIGTERM if the test dies.
class KorvexdProcess {
public:
    ~KorvexdProcess() { stop(); }

    bool start(const std::vector<std::string> &args, const std::string &logFile) {
        std::vector<std::string> words{std::getenv("KORVEXD")};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char *> argv;
        for (std::string &word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        const pid_t parent = ::getpid();
        m_pid = ::fork();
        if (m_pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int log = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (::getppid() != parent || log < 0)
                ::_exit(127);
            ::dup2(log, STDOUT_FILENO);
            ::dup2(log, STDERR_FILENO);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        return m_pid > 0;
    }

    bool running() { return m_pid > 0 && !reap(WNOHANG); }
    int status() const { return m_status; }

    // SIGTERM, then SIGKILL after the deadline; the exit status (128 + signal when killed).
    int stop() {
        if (!running())
            return m_status;
        ::kill(m_pid, SIGTERM);
        if (!testsupport::waitFor([this] { return !running(); }, kDeadlineMs)) {
            ::kill(m_pid, SIGKILL);
            reap(0);
        }
        return m_status;
    }

private:
    bool reap(int options) {
        int status = 0;
        if (::waitpid(m_pid, &status, options) != m_pid)
            return false;
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        m_pid = -1;
        return true;
    }

    pid_t m_pid = -1;
    int m_status = -1;
};

bool devicePresent(const State &state) {
    return state.preludeEnded && state.devicePresent == true && state.routing.size() == 9;
}

class VideohubEndpointTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (testsupport::SimProcess::program().empty() || !std::getenv("KORVEXD"))
            GTEST_SKIP() << "run by CTest, which names korvex-sim and korvexd";
        m_cwd = std::make_unique<testsupport::ScopedTempCwd>();
        testsupport::writeFile("korvexd.conf", "");
        // Left from before korvexd started: the web panel's lock on Out7, and a router client's on
        // Out8 from a run that did not stop cleanly.
        ::mkdir("state", 0755);
        testsupport::writeFile(
            "state/locks-01.json",
            "{\"version\": 1, \"locks\": ["
            "{\"output\": 7, \"owner\": \"Ann (panel at 10.0.0.12)\", \"since\": 0}, "
            "{\"output\": 8, \"owner\": \"Videohub client #3 (10.0.0.31:51234)\", \"since\": 0}]}");
        ASSERT_TRUE(startSim()) << m_sim.error();
        ASSERT_NO_FATAL_FAILURE(startKorvexd(m_korvexd));
    }

    void TearDown() override {
        // SIGTERM ends korvexd cleanly, clients connected or not.
        if (m_cwd) {
            EXPECT_EQ(m_korvexd.stop(), 0) << log();
        }
    }

    bool startSim() { return m_sim.start({"--link", "COM1", "--state", "sim.json"}); }

    // korvexd on COM1 with its router listener for device 01 on the given port, else a free one; the
    // other ports are free ones. Returns once it listens or has ended.
    void startKorvexd(KorvexdProcess &korvexd, const std::string &videohubPort = {},
                      const std::string &logFile = "korvexd.log") {
        for (int attempt = 0; attempt < 5; ++attempt) {
            const std::string port = videohubPort.empty() ? freePort() : videohubPort;
            ASSERT_TRUE(
                korvexd.start({"--config", "korvexd.conf", "--line", "COM1", "--devices", "01", "--listen",
                               "127.0.0.1:" + freePort(), "--http", "127.0.0.1:" + freePort(), "--videohub",
                               "01@127.0.0.1:" + port, "--state-dir", "state"},
                              logFile));
            const std::string ready = "Videohub router for device 01 on 127.0.0.1:" + port;
            ASSERT_TRUE(testsupport::waitFor(
                [&] { return log(logFile).find(ready) != std::string::npos || !korvexd.running(); },
                kDeadlineMs))
                << log(logFile);
            const std::string said = log(logFile);
            const bool portTaken = said.find("cannot listen") != std::string::npos &&
                                   (videohubPort.empty() || said.find("--videohub") == std::string::npos);
            if (korvexd.running() || !portTaken) {
                m_port = port;
                return;
            }
        }
        FAIL() << "korvexd found no free ports: " << log(logFile);
    }

    std::string log(const std::string &file = "korvexd.log") const {
        return testsupport::readFile(m_cwd->file(file));
    }

    // A client that has the whole dump of the device, routing included.
    std::unique_ptr<VideohubClient> connect() {
        auto client = std::make_unique<VideohubClient>(static_cast<std::uint16_t>(std::stoi(m_port)));
        EXPECT_TRUE(client->waitFor(devicePresent, kDeadline)) << log();
        return client;
    }

    static int simRouting(int output) {
        const QJsonObject device = testsupport::simDevice(testsupport::readSimState("sim.json"), 1);
        return device["routing"].toArray()[output].toInt(-1);
    }

    std::unique_ptr<testsupport::ScopedTempCwd> m_cwd;
    testsupport::SimProcess m_sim;
    KorvexdProcess m_korvexd;
    std::string m_port;
};

TEST_F(VideohubEndpointTest, RoutesNamesAndLocksReachEveryClient) {
    const auto a = connect();
    auto b = connect();
    const State &shown = a->state();
    EXPECT_EQ(shown.device.at("Model name"), "Korvex 9x9 HDMI Matrix");
    EXPECT_EQ(shown.device.at("Friendly name"), "Korvex 01");
    EXPECT_EQ(shown.device.at("Video inputs"), "10");
    EXPECT_EQ(shown.device.at("Video outputs"), "9");
    EXPECT_EQ(shown.inputLabels.at(9), "MV");
    EXPECT_EQ(shown.outputLabels.at(2), "Out3");
    for (int output = 0; output < 9; ++output)
        EXPECT_EQ(shown.routing.at(output), output) << "the simulator starts with out n showing in n";
    // The panel's lock holds; the one an earlier run left went at start.
    EXPECT_EQ(shown.locks.at(6), 'L');
    EXPECT_EQ(shown.locks.at(7), 'U');
    b->route(6, 0);
    EXPECT_EQ(b->waitForReply(), Reply::Nak);

    // A route reaches the switcher (the multiview picture: IN10 on the wire) and the other client.
    a->route(2, 9);
    EXPECT_EQ(a->waitForReply(), Reply::Ack);
    EXPECT_TRUE(testsupport::waitFor([] { return simRouting(2) == 9; }, kDeadlineMs));
    EXPECT_TRUE(b->waitFor([](const State &s) { return s.routing.at(2) == 9; }));
    a->sendRaw("VIDEO OUTPUT ROUTING:\n0 7\n1 7\n0 8\n\n");
    EXPECT_EQ(a->waitForReply(), Reply::Ack);
    EXPECT_TRUE(b->waitFor([](const State &s) { return s.routing.at(0) == 8 && s.routing.at(1) == 7; }));

    // A lock: its owner may route, the other client may not, until it forces the lock open.
    a->lock(2, 'O');
    EXPECT_EQ(a->waitForReply(), Reply::Ack);
    EXPECT_TRUE(a->waitFor([](const State &s) { return s.locks.at(2) == 'O'; }));
    EXPECT_TRUE(b->waitFor([](const State &s) { return s.locks.at(2) == 'L'; }));
    for (const char *refused :
         {"VIDEO OUTPUT ROUTING:\n2 0\n\n", "VIDEO OUTPUT LOCKS:\n2 O\n\n", "VIDEO OUTPUT LOCKS:\n2 U\n\n"}) {
        b->sendRaw(refused);
        EXPECT_EQ(b->waitForReply(), Reply::Nak) << refused;
    }
    a->route(2, 1);
    EXPECT_EQ(a->waitForReply(), Reply::Ack);
    EXPECT_TRUE(testsupport::waitFor([] { return simRouting(2) == 1; }, kDeadlineMs));
    b->lock(2, 'F');
    EXPECT_EQ(b->waitForReply(), Reply::Ack);
    EXPECT_TRUE(a->waitFor([](const State &s) { return s.locks.at(2) == 'U'; }));
    b->route(2, 4);
    EXPECT_EQ(b->waitForReply(), Reply::Ack);
    EXPECT_TRUE(testsupport::waitFor([] { return simRouting(2) == 4; }, kDeadlineMs));

    // A label goes into korvexd's store; an empty one brings back the panel's default name.
    a->setInputLabel(3, "Camera 4 \xC3\xA9");
    EXPECT_EQ(a->waitForReply(), Reply::Ack);
    EXPECT_TRUE(b->waitFor([](const State &s) { return s.inputLabels.at(3) == "Camera 4 \xC3\xA9"; }));
    const QJsonObject names = testsupport::readSimState("state/names-01.json");
    EXPECT_EQ(names["inputs"].toArray()[3].toString().toStdString(), "Camera 4 \xC3\xA9");
    a->setInputLabel(3, "");
    EXPECT_EQ(a->waitForReply(), Reply::Ack);
    EXPECT_TRUE(b->waitFor([](const State &s) { return s.inputLabels.at(3) == "in4"; }));

    // A client's locks go when it leaves.
    b->lock(5, 'O');
    EXPECT_EQ(b->waitForReply(), Reply::Ack);
    EXPECT_TRUE(a->waitFor([](const State &s) { return s.locks.at(5) == 'L'; }));
    b.reset();
    EXPECT_TRUE(a->waitFor([](const State &s) { return s.locks.at(5) == 'U'; }));
}

TEST_F(VideohubEndpointTest, TheDeviceIsAbsentWhileTheLineIsDownAndWholeAgainAfter) {
    const auto client = connect();
    client->route(0, 5);
    EXPECT_EQ(client->waitForReply(), Reply::Ack);
    EXPECT_TRUE(client->waitFor([](const State &s) { return s.routing.at(0) == 5; }));

    m_sim.stop();
    ASSERT_TRUE(client->waitFor([](const State &s) { return s.devicePresent == false; }, kDeadline));
    const std::size_t absent = client->blocks().size();
    EXPECT_EQ(client->blocks().back(), "VIDEOHUB DEVICE:\nDevice present: false");
    client->route(0, 1);
    EXPECT_EQ(client->waitForReply(), Reply::Nak);

    // The simulator comes back on the same link, as it started: out1 shows in1 again.
    ASSERT_TRUE(startSim()) << m_sim.error();
    ASSERT_TRUE(
        client->waitFor([](const State &s) { return devicePresent(s) && s.routing.at(0) == 0; }, kDeadline))
        << log();
    std::vector<std::string> headers;
    for (std::size_t i = absent; i < client->blocks().size(); ++i)
        headers.push_back(client->blocks()[i].substr(0, client->blocks()[i].find('\n')));
    ASSERT_GE(headers.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(headers.begin(), headers.begin() + 6),
              (std::vector<std::string>{"NAK", "VIDEOHUB DEVICE:", "INPUT LABELS:", "OUTPUT LABELS:",
                                        "VIDEO OUTPUT LOCKS:", "VIDEO OUTPUT ROUTING:"}));
}

TEST_F(VideohubEndpointTest, BadClientsAreClosedOthersStay) {
    std::vector<std::unique_ptr<VideohubClient>> clients;
    clients.push_back(connect());
    VideohubClient overlong(static_cast<std::uint16_t>(std::stoi(m_port)));
    overlong.sendRaw(std::string(5000, 'A'));
    EXPECT_TRUE(overlong.waitForClose(kDeadline));

    // A client that asks for the labels again and again and never reads the answers.
    const int silent = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int smallBuffer = 4096;
    ::setsockopt(silent, SOL_SOCKET, SO_RCVBUF, &smallBuffer, sizeof smallBuffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(std::stoi(m_port)));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(silent, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    std::string queries;
    for (int i = 0; i < 12000; ++i) // about 950 KB of answers
        queries += "INPUT LABELS:\n\n";
    for (std::size_t sent = 0; sent < queries.size();) {
        const ssize_t n = ::send(silent, queries.data() + sent, queries.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break; // dropped already
        sent += static_cast<std::size_t>(n);
    }
    EXPECT_TRUE(testsupport::waitFor(
        [&] {
            char buffer[65536];
            const ssize_t got = ::recv(silent, buffer, sizeof buffer, MSG_DONTWAIT);
            return got == 0 || (got < 0 && errno == ECONNRESET);
        },
        kDeadlineMs));
    ::close(silent);
    EXPECT_NE(log().find("stopped reading"), std::string::npos) << log();

    while (clients.size() < 64)
        clients.push_back(connect());
    VideohubClient extra(static_cast<std::uint16_t>(std::stoi(m_port)));
    EXPECT_TRUE(extra.waitForClose(kDeadline));
    EXPECT_FALSE(extra.state().preludeEnded);
    clients.front()->ping();
    EXPECT_EQ(clients.front()->waitForReply(), Reply::Ack);
}

TEST_F(VideohubEndpointTest, AListenerThatCannotListenStopsTheStart) {
    KorvexdProcess second;
    ASSERT_NO_FATAL_FAILURE(startKorvexd(second, m_port, "second.log"));
    EXPECT_EQ(second.stop(), 1);
    EXPECT_NE(log("second.log").find("korvexd: --videohub 01@127.0.0.1:" + m_port + ": cannot listen"),
              std::string::npos)
        << log("second.log");
}

} // namespace
