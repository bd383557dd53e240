#include "sim/WireDecoder.h"

namespace korvexsim {
namespace {

constexpr unsigned char kFrameStart = 0xAA;

unsigned char u8(char c) {
    return static_cast<unsigned char>(c);
}

} // namespace

WireDecoder::WireDecoder(std::size_t maxLine) : m_maxLine(maxLine) {}

void WireDecoder::feed(std::string_view bytes, Clock::time_point now, std::vector<Event> &out) {
    if (bytes.empty())
        return;
    m_lastByte = now;
    process(std::string(bytes), out);
}

void WireDecoder::expire(Clock::time_point now, std::vector<Event> &out) {
    if (!m_inFrame || now - m_lastByte < kFrameTimeout)
        return;
    std::string reread;
    abandonFrame(out, reread);
    m_lastByte = now;
    process(std::move(reread), out);
}

std::optional<WireDecoder::Clock::time_point> WireDecoder::deadline() const {
    if (!m_inFrame)
        return std::nullopt;
    return m_lastByte + kFrameTimeout;
}

void WireDecoder::process(std::string input, std::vector<Event> &out) {
    std::size_t i = 0;
    while (i < input.size()) {
        char c = input[i++];
        if (m_inFrame) {
            std::string reread;
            if (!frameByte(c, out, reread) && !reread.empty()) {
                // Read the rest of the broken frame again, ahead of what is still unread.
                input = reread + input.substr(i);
                i = 0;
            }
            continue;
        }
        if (u8(c) == kFrameStart) {
            // Frames are binary and never part of a text line: whatever text was pending is junk.
            if (m_overflow)
                out.push_back({Event::Overlong, {}, m_dropped + m_line.size()});
            m_line.clear();
            m_overflow = false;
            m_dropped = 0;
            m_inFrame = true;
            m_frame.assign(1, c);
            continue;
        }
        if (c == '\n') {
            if (m_overflow)
                out.push_back({Event::Overlong, {}, m_dropped + m_line.size()});
            else
                out.push_back({Event::Line, m_line, 0});
            m_line.clear();
            m_overflow = false;
            m_dropped = 0;
            continue;
        }
        if (m_line.size() >= m_maxLine) {
            m_overflow = true;
            m_dropped += m_line.size();
            m_line.clear();
        }
        m_line += c;
    }
}

bool WireDecoder::frameByte(char byte, std::vector<Event> &out, std::string &reread) {
    m_frame += byte;
    std::size_t n = m_frame.size();
    if ((n == 2 && u8(m_frame[1]) != 0x06) || (n == 3 && u8(m_frame[2]) != 0x00)) {
        abandonFrame(out, reread);
        return false;
    }
    if (n < 5)
        return true;
    std::size_t length = u8(m_frame[3]) | static_cast<std::size_t>(u8(m_frame[4])) << 8;
    if (length < 5 || length + 5 > kMaxFrame) {
        abandonFrame(out, reread);
        return false;
    }
    if (n < length + 5)
        return true;
    unsigned sum = 0;
    for (char c : m_frame)
        sum += u8(c);
    if ((sum & 0xFF) != 0) {
        abandonFrame(out, reread);
        return false;
    }
    out.push_back({Event::Frame, m_frame, 0});
    m_frame.clear();
    m_inFrame = false;
    return true;
}

void WireDecoder::abandonFrame(std::vector<Event> &out, std::string &reread) {
    out.push_back({Event::BadFrame, m_frame, 0});
    reread = m_frame.substr(1);
    m_frame.clear();
    m_inFrame = false;
}

} // namespace korvexsim
