#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace simtest {

// The console's end of the simulated serial line, for tests: opens the pseudo-terminal's slave in
// raw mode and exchanges bytes with deadlines.
class PtyClient {
public:
    PtyClient() = default;
    ~PtyClient();
    PtyClient(const PtyClient &) = delete;
    PtyClient &operator=(const PtyClient &) = delete;

    bool open(const std::string &path);
    void close();

    // Writes every byte (waiting while the terminal is full), false on failure or after timeoutMs.
    bool send(std::string_view bytes, int timeoutMs = 10000);
    // Sends a command line the way the console frames it: CR LF, prefix (if any), text, CR LF.
    bool command(std::string_view text, std::string_view prefix = "A01 ");

    // The next line received, without its CR LF; nothing when none is complete by the deadline.
    std::optional<std::string> readLine(int timeoutMs = 5000);
    // Up to n lines; fewer when the deadline passes first.
    std::vector<std::string> readLines(std::size_t n, int timeoutMs = 5000);
    // Exactly n bytes (fewer on timeout), lines and all.
    std::string readBytes(std::size_t n, int timeoutMs = 5000);
    // Bytes that have already arrived, without waiting.
    std::string readAvailable();
    // True once the other side has closed the line (read gives end or EIO, or poll gives POLLHUP).
    bool waitHangup(int timeoutMs = 5000);

private:
    bool fill(int timeoutMs);

    int m_fd = -1;
    std::string m_buffer;
    bool m_hungUp = false;
};

} // namespace simtest
