#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvexsim {

// Cuts the received byte stream into text lines (ended by LF) and binary command frames
// (AA 06 00, length, ... checksum). A frame that turns out malformed, or stops arriving for longer
// than the frame timeout, gives up its first byte and the rest is read again as ordinary input, so
// a broken frame never swallows the commands behind it. Lines longer than the limit are dropped
// whole.
class WireDecoder {
public:
    using Clock = std::chrono::steady_clock;

    struct Event {
        enum Kind { Line, Frame, BadFrame, Overlong } kind;
        std::string bytes;       // Line: without the LF; Frame/BadFrame: the frame bytes
        std::size_t dropped = 0; // Overlong: bytes dropped
    };

    static constexpr std::size_t kMaxLine = 4096;
    static constexpr std::size_t kMaxFrame = 300;
    static constexpr std::chrono::milliseconds kFrameTimeout{200};

    explicit WireDecoder(std::size_t maxLine = kMaxLine);

    void feed(std::string_view bytes, Clock::time_point now, std::vector<Event> &out);
    // Gives up a frame that has not been completed in time.
    void expire(Clock::time_point now, std::vector<Event> &out);
    // When expire() next has something to do.
    std::optional<Clock::time_point> deadline() const;

private:
    void process(std::string input, std::vector<Event> &out);
    // Returns the bytes to read again after a broken frame (empty when the frame was fine).
    bool frameByte(char byte, std::vector<Event> &out, std::string &reread);
    void abandonFrame(std::vector<Event> &out, std::string &reread);

    std::size_t m_maxLine;
    std::string m_line;
    bool m_overflow = false;
    std::size_t m_dropped = 0;
    bool m_inFrame = false;
    std::string m_frame;
    Clock::time_point m_lastByte{};
};

} // namespace korvexsim
