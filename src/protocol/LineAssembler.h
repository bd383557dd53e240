#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace protocol {

// The received-line buffer: collects received bytes up to and including LF and hands back each
// complete line. It holds at most kMaxLine bytes; a line that would be longer is discarded whole,
// up to and including its LF, so a flood without line ends cannot grow it without bound.
class LineAssembler {
public:
    static constexpr std::size_t kMaxLine = 4096; // longest accepted line, LF included

    // Takes one byte. Returns the complete line (LF included, CR kept) when the byte is LF and the
    // line was not discarded; the buffer is then empty again.
    std::optional<std::string> push(char byte);

    // Bytes of the unfinished line (empty while a too-long line is being discarded).
    std::string_view pending() const { return m_buffer; }

    // True between the overflow of a too-long line and its LF.
    bool discarding() const { return m_discarding; }

    // Number of lines discarded for length since construction.
    std::size_t discardedLines() const { return m_discardedLines; }

    // Drops the unfinished line and any discarding state.
    void clear();

private:
    // Appends the byte; true when m_buffer now holds a complete line.
    bool accept(char byte);

    std::string m_buffer;
    bool m_discarding = false;
    std::size_t m_discardedLines = 0;
};

} // namespace protocol
