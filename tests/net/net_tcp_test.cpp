// The TCP transport over real sockets on 127.0.0.1 only: why a connection does not come about, close
// while it hangs, and a round trip with korvex-sim (beside a simulator started by with-tcp-sim.sh).
#include "LoopbackListener.h"
#include "PumpedHandOff.h"
#include "WaitFor.h"
#include "Watchdog.h"

#include "net/TcpTransport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

struct Recorder : session::ITransportEvents {
    void onTransportBytes(const std::uint8_t *data, std::size_t size) override {
        bytes.append(reinterpret_cast<const char *>(data), size);
    }
    void onTransportDrop() override { ++drops; }
    void onTransportConnected() override { ++connects; }

    std::string bytes;
    int drops = 0;
    int connects = 0;
};

// A transport whose reports the test pumps onto its own thread while it waits.
struct Line {
    Line(const std::string &host, std::uint16_t port, std::chrono::milliseconds timeout = 5s)
        : transport(host, port, handOff, timeout) {}
    bool open() { return transport.open(&events, true); }
    bool send(const std::string &text) {
        return transport.write(reinterpret_cast<const std::uint8_t *>(text.data()), text.size());
    }
    bool waitFor(const std::function<bool()> &condition) {
        return testsupport::waitFor([&] {
            handOff.pump();
            return condition();
        });
    }

    PumpedHandOff handOff; // outlives the transport: declared before it
    Recorder events;
    net::TcpTransport transport;
};

// Fills the listener's accept queue (backlog 0 holds one connection): the filler must get in.
bool fillAcceptQueue(std::uint16_t port, std::vector<std::unique_ptr<net::Socket>> &fillers) {
    net::SocketError error;
    const std::vector<net::Socket::Address> loopback = net::Socket::resolve("127.0.0.1", port, error);
    auto filler = std::make_unique<net::Socket>();
    if (loopback.empty() || !filler->createSignal())
        return false;
    const net::Socket::Connect started = filler->connect(loopback.front(), error);
    bool connected = started == net::Socket::Connect::Done;
    if (started == net::Socket::Connect::InProgress)
        connected = filler->wait(false, true, 10000).writable &&
                    filler->connectResult().kind == net::SocketError::None;
    fillers.push_back(std::move(filler));
    return connected;
}

struct FailureCase {
    const char *what;
    enum Target { ClosedPort, UnknownHost, FullQueue, NoSockets } target;
    const char *text;
};

const FailureCase kFailures[] = {
    {"a port nobody listens on", FailureCase::ClosedPort, "connection refused"},
    {"a name that does not exist", FailureCase::UnknownHost, "no such host"},
    {"a listener that answers nothing", FailureCase::FullQueue, "timed out"},
    {"a socket library that does not start", FailureCase::NoSockets, "the network subsystem is unavailable"},
};

bool failingStartUp(net::SocketError &error) {
    error = {net::SocketError::Other, "the network subsystem is unavailable"};
    return false;
}

} // namespace

TEST(TcpFailure, SaysWhyTheConnectionDidNotComeAbout) {
    for (const FailureCase &row : kFailures) {
        SCOPED_TRACE(row.what);
        LoopbackListener listener(0);
        ASSERT_TRUE(listener.listening());
        std::vector<std::unique_ptr<net::Socket>> fillers;
        std::string host = "127.0.0.1";
        if (row.target == FailureCase::ClosedPort)
            listener.close();
        if (row.target == FailureCase::UnknownHost)
            host = "korvex-switcher.invalid";
        if (row.target == FailureCase::FullQueue) {
            ASSERT_TRUE(fillAcceptQueue(listener.port(), fillers));
        }

        Line line(host, listener.port(), 500ms);
        if (row.target == FailureCase::NoSockets) {
            // Nothing opens and nothing is reported later: the failure is the answer to open.
            const net::Socket::StartUpCall system = net::Socket::replaceStartUp(failingStartUp);
            EXPECT_FALSE(line.open());
            net::Socket::replaceStartUp(system);
            EXPECT_EQ(line.transport.failureText(), row.text);
            EXPECT_FALSE(line.transport.isOpen());
            EXPECT_FALSE(line.send("A01 GET STA\r\n"));
            line.handOff.pump();
            EXPECT_EQ(line.events.drops + line.events.connects, 0);
            continue;
        }
        ASSERT_TRUE(line.open());
        EXPECT_TRUE(line.transport.isOpen());
        EXPECT_TRUE(line.send("\r\nA01 GET STA\r\n")); // queued until the connection is up
        ASSERT_TRUE(line.waitFor([&] { return line.events.drops > 0; }));
        EXPECT_EQ(line.transport.failureText(), row.text);
        EXPECT_TRUE(line.transport.failed());
        EXPECT_FALSE(line.send("A01 GET STA\r\n"));
        EXPECT_EQ(line.events.connects, 0);
        EXPECT_EQ(line.events.bytes, "");
        line.transport.close();
        EXPECT_EQ(line.events.drops, 1);
    }
}

TEST(TcpFailure, CloseEndsAConnectThatHangsAndNothingIsReportedAfter) {
    testsupport::Watchdog watchdog("close during a connect", 60s);
    LoopbackListener listener(0);
    std::vector<std::unique_ptr<net::Socket>> fillers;
    ASSERT_TRUE(listener.listening() && fillAcceptQueue(listener.port(), fillers));
    // Both connect at once; when the short one has timed out, the long one is waiting in its connect.
    Line hanging("127.0.0.1", listener.port(), 600s);
    Line timing("127.0.0.1", listener.port(), 300ms);
    ASSERT_TRUE(hanging.open() && timing.open());
    ASSERT_TRUE(timing.waitFor([&] { return timing.events.drops > 0; }));
    hanging.transport.close();
    hanging.handOff.pump();
    EXPECT_FALSE(hanging.transport.isOpen());
    EXPECT_EQ(hanging.events.drops + hanging.events.connects, 0);
}

TEST(TcpSimulator, ServesOneControllerAtATimeAndDropsWhenItHangsUp) {
    // with-tcp-sim.sh starts korvex-sim --tcp 0 --hangup-after 2 and names its address here.
    const char *address = std::getenv("KORVEX_TEST_SIM_TCP");
    if (!address)
        GTEST_SKIP() << "KORVEX_TEST_SIM_TCP names no korvex-sim";
    const std::string endpoint = address;
    const std::string host = endpoint.substr(0, endpoint.rfind(':'));
    const auto port = static_cast<std::uint16_t>(std::stoi(endpoint.substr(endpoint.rfind(':') + 1)));

    Line first(host, port);
    ASSERT_TRUE(first.open());
    EXPECT_EQ(first.transport.name(), endpoint);
    ASSERT_TRUE(first.send("\r\nA01 GET STA\r\n"));
    ASSERT_TRUE(first.waitFor([&] { return first.events.bytes.find("OUT9 VW XYZ") != std::string::npos; }));
    EXPECT_EQ(first.events.connects, 1);
    EXPECT_EQ(first.events.bytes.rfind("OUT1 VS IN1\r\nOUT2 VS IN2\r\n", 0), 0u) << first.events.bytes;

    Line second(host, port);
    ASSERT_TRUE(second.open());
    ASSERT_TRUE(second.waitFor([&] { return second.events.drops > 0; }));
    EXPECT_EQ(second.events.bytes, "BUSY: another controller is connected\r\n");
    EXPECT_EQ(second.transport.failureText(), "closed by the other end");

    // The second command is the last before the simulator hangs up: its answer still arrives whole.
    first.events.bytes.clear();
    ASSERT_TRUE(first.send("\r\nA01 GET ADDR\r\n"));
    ASSERT_TRUE(first.waitFor([&] { return first.events.drops > 0; }));
    EXPECT_EQ(first.events.bytes, "ADDR 01\r\n");
    EXPECT_EQ(first.transport.failureText(), "closed by the other end");
    EXPECT_FALSE(first.send("\r\nA01 GET ADDR\r\n"));

    Line next(host, port);
    ASSERT_TRUE(next.open());
    ASSERT_TRUE(next.send("\r\nA01 GET ADDR\r\n"));
    ASSERT_TRUE(next.waitFor([&] { return next.events.bytes == "ADDR 01\r\n"; })) << next.events.bytes;
    EXPECT_EQ(next.events.drops, 0);
}
