#include "share/UnitCutter.h"

#include "protocol/CommandFrame.h"

#include <algorithm>

namespace share {

namespace {

constexpr std::uint8_t kLf = 0x0A;
constexpr std::uint8_t kCr = 0x0D;
// A frame's first three bytes; anything else at a unit boundary starts a text line.
constexpr std::uint8_t kFrameStart[] = {0xAA, 0x06, 0x00};
constexpr std::size_t kFrameHeader = 5;    // AA 06 00 and the two length bytes
constexpr std::size_t kLengthToSize = 5;   // the length field counts all but five bytes
constexpr std::size_t kSmallestLength = 5; // group, device, code and checksum

bool isBlankLine(std::span<const std::uint8_t> line) {
    return (line.size() == 1 && line[0] == kLf) || (line.size() == 2 && line[0] == kCr && line[1] == kLf);
}

const char *kindName(UnitKind kind) {
    return kind == UnitKind::Frame ? "frame" : "text line";
}

} // namespace

std::string describeRefusal(const Refusal &refusal, std::size_t limit) {
    std::string text =
        std::string(kindName(refusal.kind)) + " of " + std::to_string(refusal.size) + " bytes refused: ";
    switch (refusal.reason) {
    case Refusal::Reason::TooLong:
        return text + "longer than the write limit (" + std::to_string(limit) + " bytes)";
    case Refusal::Reason::BadChecksum:
        return text + "bad checksum";
    case Refusal::Reason::BadLength:
        return text + "its length field is too small for a frame";
    }
    return text;
}

UnitCutter::UnitCutter(std::size_t limit) : m_limit(std::max(limit, kMinLimit)) {
    m_buffer.reserve(m_limit);
}

void UnitCutter::reset() {
    m_mode = Mode::Start;
    m_buffer.clear();
    m_blankLine = 0;
    m_frameSize = 0;
    m_dropped = 0;
    m_skip = 0;
}

void UnitCutter::feed(std::span<const std::uint8_t> bytes, IUnitSink &sink) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (m_skip > 0) {
            const std::size_t skipped = std::min(m_skip, bytes.size() - i);
            m_skip -= skipped;
            i += skipped - 1;
            continue;
        }
        take(bytes[i], sink);
    }
}

void UnitCutter::take(std::uint8_t byte, IUnitSink &sink) {
    switch (m_mode) {
    case Mode::Start:
        if (byte == kFrameStart[0]) {
            m_buffer.push_back(byte);
            m_mode = Mode::Header;
        } else {
            m_mode = Mode::Text;
            textByte(byte, sink);
        }
        return;
    case Mode::Header:
        headerByte(byte, sink);
        return;
    case Mode::Text:
        textByte(byte, sink);
        return;
    case Mode::Frame:
        frameByte(byte, sink);
        return;
    case Mode::DropText:
        ++m_dropped;
        if (byte == kLf) {
            const std::size_t size = m_dropped;
            m_dropped = 0;
            m_mode = Mode::Start;
            refuse(UnitKind::Text, Refusal::Reason::TooLong, size, sink);
        }
        return;
    }
}

void UnitCutter::headerByte(std::uint8_t byte, IUnitSink &sink) {
    const std::size_t at = m_buffer.size() - m_blankLine;
    if (byte != kFrameStart[at]) {
        // Not a frame after all: the bytes so far begin a text line.
        m_mode = Mode::Text;
        textByte(byte, sink);
        return;
    }
    m_buffer.push_back(byte);
    if (at + 1 == std::size(kFrameStart)) {
        // A frame never carries a blank line with it.
        passHeldBlankLine(sink);
        m_frameSize = 0;
        m_mode = Mode::Frame;
    }
}

void UnitCutter::frameByte(std::uint8_t byte, IUnitSink &sink) {
    m_buffer.push_back(byte);
    if (m_buffer.size() == kFrameHeader) {
        const std::size_t length = m_buffer[3] | (static_cast<std::size_t>(m_buffer[4]) << 8);
        if (length < kSmallestLength) {
            refuse(UnitKind::Frame, Refusal::Reason::BadLength, kFrameHeader, sink);
            return;
        }
        m_frameSize = length + kLengthToSize;
        if (m_frameSize > m_limit) {
            // Refused from its header; the rest of it is skipped as it arrives.
            m_skip = m_frameSize - kFrameHeader;
            refuse(UnitKind::Frame, Refusal::Reason::TooLong, m_frameSize, sink);
            return;
        }
        return;
    }
    if (m_buffer.size() > kFrameHeader && m_buffer.size() == m_frameSize) {
        if (protocol::frameChecksum(m_buffer) == 0)
            pass(UnitKind::Frame, sink);
        else
            refuse(UnitKind::Frame, Refusal::Reason::BadChecksum, m_frameSize, sink);
    }
}

void UnitCutter::textByte(std::uint8_t byte, IUnitSink &sink) {
    m_buffer.push_back(byte);
    if (byte == kLf) {
        const std::span<const std::uint8_t> line(m_buffer.data() + m_blankLine,
                                                 m_buffer.size() - m_blankLine);
        if (isBlankLine(line)) {
            // Held for the next line; a blank line already held goes out alone.
            passHeldBlankLine(sink);
            m_blankLine = m_buffer.size();
            m_mode = Mode::Start;
            return;
        }
        pass(UnitKind::Text, sink);
        return;
    }
    if (m_buffer.size() < m_limit)
        return;
    // No room left for the LF. A held blank line goes out alone so that the line may still fit;
    // otherwise the line is dropped up to its LF.
    if (m_blankLine > 0) {
        passHeldBlankLine(sink);
        return;
    }
    m_dropped = m_buffer.size();
    m_buffer.clear();
    m_mode = Mode::DropText;
}

void UnitCutter::passHeldBlankLine(IUnitSink &sink) {
    if (m_blankLine == 0)
        return;
    sink.onUnit(Unit{UnitKind::Text, std::span<const std::uint8_t>(m_buffer.data(), m_blankLine)});
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_blankLine));
    m_blankLine = 0;
}

void UnitCutter::pass(UnitKind kind, IUnitSink &sink) {
    sink.onUnit(Unit{kind, m_buffer});
    m_buffer.clear();
    m_blankLine = 0;
    m_mode = Mode::Start;
}

void UnitCutter::refuse(UnitKind kind, Refusal::Reason reason, std::size_t size, IUnitSink &sink) {
    m_buffer.clear();
    m_blankLine = 0;
    m_mode = Mode::Start;
    sink.onRefusal(Refusal{kind, reason, size});
}

} // namespace share
