#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// A router-protocol client for tests, written from the protocol notes alone: it shares no code with
// korvexd's side, so a bug there cannot be cancelled out by the same bug here. It connects to
// 127.0.0.1:port over TCP, keeps what the server told it, sends requests and waits with a deadline
// for an answer, a state or the end of the connection. It reads only while it waits.
class VideohubClient {
public:
    // What the server has told this client so far; ports by their protocol index, from 0.
    struct State {
        std::optional<bool> devicePresent;
        std::map<std::string, std::string> device; // the device block's "name: value" lines
        std::map<int, std::string> inputLabels;
        std::map<int, std::string> outputLabels;
        std::map<int, char> locks;  // as shown to this client: 'O' its own, 'L' another's, 'U' free
        std::map<int, int> routing; // output -> input
        bool preludeEnded = false;
    };
    enum class Reply { Ack, Nak };

    explicit VideohubClient(std::uint16_t port);
    ~VideohubClient();
    VideohubClient(const VideohubClient &) = delete;
    VideohubClient &operator=(const VideohubClient &) = delete;

    // Whether the connection was made; a hang-up by the server is seen by waitForClose.
    bool connected() const { return m_socket != -1; }
    const State &state() const { return m_state; }
    // Every block received, in order, as "HEADER:\nline\n..." without the blank line.
    const std::vector<std::string> &blocks() const { return m_blocks; }

    // Requests; each returns whether it went out whole.
    bool route(int output, int input);
    bool setInputLabel(int input, std::string_view label);
    bool setOutputLabel(int output, std::string_view label);
    bool lock(int output, char letter); // 'O' take, 'U' release, 'F' force
    bool ping();
    bool ask(std::string_view header); // a header alone: the server sends that block again
    bool sendRaw(std::string_view bytes);

    // The next ACK or NAK not yet taken; none when the deadline passes or the connection ends first.
    std::optional<Reply> waitForReply(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    bool waitFor(const std::function<bool(const State &)> &condition,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // True once the server has closed the connection.
    bool waitForClose(std::chrono::milliseconds timeout = std::chrono::seconds(10));

private:
    bool sendBlock(std::string_view header, const std::string &line);
    bool readUntil(std::chrono::steady_clock::time_point deadline);
    void takeLine(std::string line);
    void applyBlock(const std::string &header, const std::vector<std::string> &lines);

    int m_socket = -1;
    bool m_closed = false;
    std::string m_pending;
    std::optional<std::string> m_header;
    std::vector<std::string> m_lines;
    State m_state;
    std::vector<std::string> m_blocks;
    std::deque<Reply> m_replies;
};

} // namespace testsupport
