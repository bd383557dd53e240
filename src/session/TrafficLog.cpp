#include "session/TrafficLog.h"

#include <cstdio>
#include <ctime>

namespace session {

namespace {

bool isFrame(std::string_view bytes) {
    return bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xAA &&
           static_cast<unsigned char>(bytes[1]) == 0x06 && bytes[2] == 0x00;
}

} // namespace

void TrafficLog::add(Entry entry) {
    m_entries.push_back(std::move(entry));
    while (m_entries.size() > m_capacity) {
        m_entries.pop_front();
        ++m_dropped;
    }
}

std::size_t TrafficLog::recordSent(std::string_view bytes, std::int64_t msecs) {
    if (bytes.empty())
        return 0;
    if (isFrame(bytes)) {
        add({msecs, Direction::Sent, std::string(bytes)});
        return 1;
    }
    // A request is "\r\nLINE\r\n" one or more times: one entry per line, the empty line between two
    // commands' CR LF pairs folded into the line it opens.
    std::size_t added = 0;
    std::string line;
    for (char c : bytes) {
        line += c;
        if (c == '\n' && line.find_first_not_of("\r\n") != std::string::npos) {
            add({msecs, Direction::Sent, std::move(line)});
            line.clear();
            ++added;
        }
    }
    if (!line.empty() && (line.find_first_not_of("\r\n") != std::string::npos || added == 0)) {
        add({msecs, Direction::Sent, std::move(line)});
        ++added;
    }
    return added;
}

std::size_t TrafficLog::recordReceived(std::string_view bytes, std::int64_t msecs) {
    std::size_t added = 0;
    for (char c : bytes) {
        if (m_pending.empty())
            m_pendingSince = msecs;
        m_pending += c;
        if (c == '\n' || m_pending.size() >= kMaxLine) {
            add({m_pendingSince, Direction::Received, std::move(m_pending)});
            m_pending.clear();
            ++added;
        }
    }
    return added;
}

void TrafficLog::clear() {
    m_entries.clear();
    m_pending.clear();
}

std::string TrafficLog::asText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (u >= 0x20 && u < 0x7F) {
            out += c;
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        }
    }
    return out;
}

std::string TrafficLog::asHex(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(c));
        if (!out.empty())
            out += ' ';
        out += hex;
    }
    return out;
}

std::string TrafficLog::format(const Entry &entry, bool hex) {
    const std::time_t seconds = static_cast<std::time_t>(entry.msecsSinceEpoch / 1000);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(entry.msecsSinceEpoch % 1000));
    return std::string(stamp) + (entry.direction == Direction::Sent ? " >> " : " << ") +
           (hex ? asHex(entry.bytes) : asText(entry.bytes));
}

} // namespace session
