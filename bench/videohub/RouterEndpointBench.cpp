// korvexd's Videohub listener with 64 router clients on loopback, on its own Asio loop thread as in
// korvexd, its line a TCP connection to a switcher played by this program (which answers a routing
// command at once and notes when): how long a client waits for its whole dump after connecting, for
// the ACK of a route request, and how long after the switcher's reply the last of the 64 clients
// has the routing update. The clients are the tests' router client; each round routes another input.
// Run: bench_videohub [rounds]
#include "share/SharedLine.h"
#include "store/Store.h"
#include "videohub/RouterEndpoint.h"

#include "TempDir.h"
#include "VideohubClient.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using testsupport::VideohubClient;
constexpr std::chrono::seconds kDeadline{10};

// The switcher on the far end of korvexd's line: answers "GET STA" with its routing and each
// "SET OUTo VS INi" with "OUTo VS INi", noting when that reply went out.
class Switcher {
public:
    Switcher() {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        auto *any = reinterpret_cast<sockaddr *>(&address);
        if (::bind(m_listener, any, length) == 0 && ::listen(m_listener, 1) == 0 &&
            ::getsockname(m_listener, any, &length) == 0)
            m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~Switcher() {
        ::shutdown(m_listener, SHUT_RDWR);
        if (m_peer >= 0)
            ::shutdown(m_peer, SHUT_RDWR);
        m_thread.join();
        ::close(m_listener);
        if (m_peer >= 0)
            ::close(m_peer);
    }
    std::uint16_t port() const { return m_port; }
    Clock::time_point lastReply() const { return Clock::time_point(Clock::duration(m_lastReply.load())); }

private:
    void serve() {
        m_peer = ::accept(m_listener, nullptr, nullptr);
        std::string pending;
        char buffer[4096];
        for (ssize_t got; m_peer >= 0 && (got = ::recv(m_peer, buffer, sizeof buffer, 0)) > 0;) {
            pending.append(buffer, static_cast<std::size_t>(got));
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1))
                answer(pending.substr(0, end));
        }
    }
    void answer(const std::string &line) {
        std::string reply;
        if (line.find("GET STA") != std::string::npos) {
            for (int output = 1; output <= 9; ++output)
                reply += "OUT" + std::to_string(output) + " VS IN" + std::to_string(m_routing[output - 1]) +
                         "\r\n";
        } else if (const std::size_t at = line.find("SET OUT");
                   at != std::string::npos && line.size() >= at + 15) {
            const int output = line[at + 7] - '0';
            const int input = std::atoi(line.c_str() + at + 14);
            m_routing[static_cast<std::size_t>(output - 1)] = input;
            reply = "OUT" + std::to_string(output) + " VS IN" + std::to_string(input) + "\r\n";
        }
        if (reply.empty())
            return;
        m_lastReply = Clock::now().time_since_epoch().count();
        (void)::send(m_peer, reply.data(), reply.size(), MSG_NOSIGNAL);
    }

    int m_listener = -1;
    int m_peer = -1;
    std::uint16_t m_port = 0;
    std::thread m_thread;
    int m_routing[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::atomic<Clock::rep> m_lastReply{0};
};

struct Figures {
    std::vector<double> micros;
    void add(Clock::time_point from, Clock::time_point to) {
        micros.push_back(std::chrono::duration<double, std::micro>(to - from).count());
    }
    void print(const char *what, const char *goal) {
        std::sort(micros.begin(), micros.end());
        const auto at = [&](double q) { return micros[static_cast<std::size_t>(q * (micros.size() - 1))]; };
        std::printf("%s: p50 %.0f us, p99 %.0f us, max %.0f us over %zu rounds (goal %s)\n", what, at(0.5),
                    at(0.99), micros.back(), micros.size(), goal);
    }
};

// The endpoint's loop on its own thread, as korvexd runs it; stopped and joined when the object goes.
struct LoopThread {
    explicit LoopThread(boost::asio::io_context &c)
        : context(c), thread([this] {
              const auto work = boost::asio::make_work_guard(context);
              context.run();
          }) {}
    ~LoopThread() {
        context.stop();
        thread.join();
    }
    boost::asio::io_context &context;
    std::thread thread;
};

bool fail(const char *why) {
    std::fprintf(stderr, "bench_videohub: %s\n", why);
    return false;
}

bool run(int rounds) {
    Switcher switcher;
    if (switcher.port() == 0)
        return fail("cannot listen on 127.0.0.1");
    testsupport::ScopedTempCwd cwd;
    store::Store store(cwd.path());
    store.load();

    boost::asio::io_context context;
    share::SharedLine::Line line;
    line.kind = share::SharedLine::Line::Kind::Network;
    line.name = line.host = "127.0.0.1";
    line.hostPort = switcher.port();
    const auto quiet = [](const std::string &) {};
    share::SharedLine shared(context, line, {1}, 0, quiet);
    videohub::RouterEndpoint endpoint(context, shared, store, 1, quiet);
    std::string error;
    if (!endpoint.listen("127.0.0.1", 0, error))
        return fail(error.c_str());
    shared.start();
    const LoopThread loop(context);
    const std::uint16_t port = endpoint.port();
    const auto whole = [](const VideohubClient::State &s) {
        return s.preludeEnded && s.devicePresent == true && s.routing.size() == 9;
    };

    // Connect to complete dump, with 60 other clients connected (the one before may still be leaving).
    std::vector<std::unique_ptr<VideohubClient>> clients;
    Figures dump, ack, update;
    while (clients.size() < 60) {
        clients.push_back(std::make_unique<VideohubClient>(port));
        if (!clients.back()->waitFor(whole, kDeadline))
            return fail("a client did not get the device's whole dump");
    }
    for (int round = 0; round < rounds; ++round) {
        const auto start = Clock::now();
        VideohubClient client(port);
        if (!client.waitFor(whole, kDeadline))
            return fail("a client did not get the device's whole dump");
        dump.add(start, Clock::now());
    }

    // A route request from one of 64 clients: its ACK, then the update at every client.
    while (clients.size() < videohub::RouterEndpoint::kMaxClients) {
        clients.push_back(std::make_unique<VideohubClient>(port));
        if (!clients.back()->waitFor(whole, kDeadline))
            return fail("a client did not get the device's whole dump");
    }
    for (int round = 0; round < rounds; ++round) {
        const int input = round % 9 == 2 ? 9 : round % 9; // another input than the round before
        const auto start = Clock::now();
        clients.front()->route(2, input);
        if (clients.front()->waitForReply(kDeadline) != VideohubClient::Reply::Ack)
            return fail("a route request was not acknowledged");
        ack.add(start, Clock::now());
        for (const auto &client : clients)
            if (!client->waitFor([input](const VideohubClient::State &s) { return s.routing.at(2) == input; },
                                 kDeadline))
                return fail("a client did not get the routing update");
        update.add(switcher.lastReply(), Clock::now());
    }
    dump.print("connect to complete dump (60 other clients)", "at most 10 ms");
    ack.print("route request to ACK (64 clients)", "at most 2 ms");
    update.print("switcher's reply to the update at all 64 clients", "at most 5 ms");
    return true;
}

} // namespace

int main(int argc, char **argv) {
    const int rounds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    return run(rounds) ? 0 : 1;
}
