#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace korvexsim {

// The wire log: one entry per line, flushed at once so a test can read it while the simulator runs.
//   LINE <text>       a received line (without its LF), control and non-ASCII bytes escaped
//   FRAME <hex>       a well-formed command frame, bytes as lower-case pairs joined by blanks
//   BADFRAME <hex>    bytes that started like a frame but were not one (read again as text)
//   OVERLONG <n>      a line of n bytes that was too long and was dropped
//   INJECT <text>     a line that came through the inject FIFO rather than the serial line
//   HANGUP            the line was closed (--hangup-after)
//   DROPPED <n>       n bytes of replies thrown away because nobody read them for a second
//   CONNECT <peer>    (--tcp) a controller connected from peer ("127.0.0.1:53352")
//   DISCONNECT        (--tcp) the controller closed its connection or it was reset
//   BUSY <peer>       (--tcp) a second controller was turned away
class WireLog {
public:
    WireLog() = default;
    ~WireLog();
    WireLog(const WireLog &) = delete;
    WireLog &operator=(const WireLog &) = delete;

    bool open(const std::string &path);
    void write(std::string_view tag, std::string_view text);

    // \r \n \t \\ and \xhh for every other byte outside 0x20..0x7E.
    static std::string escape(std::string_view bytes);
    static std::string hex(std::string_view bytes);

private:
    std::FILE *m_file = nullptr;
};

} // namespace korvexsim
