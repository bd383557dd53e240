#include "VideohubClient.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Reply = testsupport::VideohubClient::Reply;
using State = testsupport::VideohubClient::State;

// A loopback server of canned answers: the first on connect, each next one after the next block it
// reads; then it hangs up. It keeps what it read.
class CannedServer {
public:
    explicit CannedServer(std::vector<std::string> answers) {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        auto *any = reinterpret_cast<sockaddr *>(&address);
        if (::bind(m_listener, any, length) != 0 || ::listen(m_listener, 1) != 0 ||
            ::getsockname(m_listener, any, &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this, answers = std::move(answers)] {
            const int peer = ::accept(m_listener, nullptr, nullptr);
            for (std::size_t i = 0; i < answers.size() && peer != -1; ++i) {
                char buffer[512];
                ssize_t got = 1;
                while (blocksRead() < i && (got = ::recv(peer, buffer, sizeof buffer, 0)) > 0)
                    m_received.append(buffer, static_cast<std::size_t>(got));
                if (got <= 0 || ::send(peer, answers[i].data(), answers[i].size(), MSG_NOSIGNAL) <= 0)
                    break;
            }
            if (peer != -1)
                ::close(peer);
        });
    }
    ~CannedServer() {
        ::shutdown(m_listener, SHUT_RDWR); // ends a pending accept
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_listener);
    }
    std::uint16_t port() const { return m_port; }
    std::string received() {
        if (m_thread.joinable())
            m_thread.join();
        return m_received;
    }

private:
    std::size_t blocksRead() const {
        std::size_t count = 0;
        for (std::size_t at = 0; (at = m_received.find("\n\n", at)) != std::string::npos; at += 2)
            ++count;
        return count;
    }

    int m_listener = -1;
    std::uint16_t m_port = 0;
    std::thread m_thread;
    std::string m_received;
};

TEST(VideohubClient, KeepsTheServersStateSendsRequestsAndWaitsForAnswers) {
    CannedServer server({
        "PROTOCOL PREAMBLE:\nVersion: 2.3\n\nVIDEOHUB DEVICE:\nDevice present: true\nModel name: Korvex\n\n"
        "INPUT LABELS:\n0 in1\r\n3 Camera 4\n\nOUTPUT LABELS:\n8 Out 9\n\n"
        "VIDEO OUTPUT LOCKS:\n1 O\n2 L\n3 U\n\nVIDEO OUTPUT ROUTING:\n7 1\n\nEND PRELUDE:\n\n",
        "ACK\n\nVIDEO OUTPUT ROUTING:\n7 2\n\n",
        "NAK\n\n",
        "ACK\n\nOUTPUT LABELS:\n8 Stage left\n\n",
        "ACK\n\nVIDEOHUB DEVICE:\nDevice present: false\n\n",
    });
    testsupport::VideohubClient client(server.port());
    ASSERT_TRUE(client.connected());
    ASSERT_TRUE(client.waitFor([](const State &s) { return s.preludeEnded; }));
    const State &state = client.state();
    EXPECT_EQ(state.devicePresent, true);
    EXPECT_EQ(state.device.at("Model name"), "Korvex");
    EXPECT_EQ(state.inputLabels, (std::map<int, std::string>{{0, "in1"}, {3, "Camera 4"}}));
    EXPECT_EQ(state.locks, (std::map<int, char>{{1, 'O'}, {2, 'L'}, {3, 'U'}}));

    ASSERT_TRUE(client.route(7, 2));
    EXPECT_EQ(client.waitForReply(), Reply::Ack);
    EXPECT_TRUE(client.waitFor([](const State &s) { return s.routing.at(7) == 2; }));
    ASSERT_TRUE(client.lock(3, 'F'));
    EXPECT_EQ(client.waitForReply(), Reply::Nak);
    ASSERT_TRUE(client.setOutputLabel(8, "Stage left"));
    EXPECT_EQ(client.waitForReply(), Reply::Ack);
    EXPECT_TRUE(client.waitFor([](const State &s) { return s.outputLabels.at(8) == "Stage left"; }));
    ASSERT_TRUE(client.ping());
    EXPECT_EQ(client.waitForReply(), Reply::Ack);
    EXPECT_TRUE(client.waitForClose());
    EXPECT_EQ(state.devicePresent, false);
    EXPECT_EQ(client.waitForReply(std::chrono::milliseconds(0)), std::nullopt);
    EXPECT_EQ(server.received(), "VIDEO OUTPUT ROUTING:\n7 2\n\nVIDEO OUTPUT LOCKS:\n3 F\n\nOUTPUT "
                                 "LABELS:\n8 Stage left\n\nPING:\n\n");
}

} // namespace
