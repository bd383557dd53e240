#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace session {

// What went over the serial line, one entry per line: each request handed to the port is cut into
// its lines (a binary command frame stays one entry), received bytes are collected up to each LF.
// Standard library only; the traffic window shows it. Holds at most `capacity` entries: a new one
// beyond that drops the oldest.
class TrafficLog {
public:
    enum class Direction { Sent, Received };
    struct Entry {
        std::int64_t msecsSinceEpoch = 0;
        Direction direction = Direction::Sent;
        std::string bytes; // as on the line, CR and LF included
    };

    static constexpr std::size_t kDefaultCapacity = 10000;
    static constexpr std::size_t kMaxLine = 4096; // a received line longer than this is cut into pieces

    explicit TrafficLog(std::size_t capacity = kDefaultCapacity) : m_capacity(capacity) {}

    // Returns how many entries were added (the last one may stay open for more received bytes).
    std::size_t recordSent(std::string_view bytes, std::int64_t msecs);
    std::size_t recordReceived(std::string_view bytes, std::int64_t msecs);

    const std::deque<Entry> &entries() const { return m_entries; }
    std::size_t capacity() const { return m_capacity; }
    // Received bytes not yet ended by LF (shown as a line of their own once they are).
    const std::string &pendingReceived() const { return m_pending; }
    // Entries dropped at the front since the start.
    std::size_t dropped() const { return m_dropped; }
    void clear();

    // The bytes as text: printable ASCII as is, CR as \r, LF as \n, anything else as \xNN.
    static std::string asText(std::string_view bytes);
    // The bytes as upper-case hexadecimal pairs separated by blanks.
    static std::string asHex(std::string_view bytes);
    // One shown line: time (hh:mm:ss.zzz, local time), direction (">>" sent, "<<" received), bytes.
    static std::string format(const Entry &entry, bool hex);

private:
    void add(Entry entry);

    std::size_t m_capacity;
    std::deque<Entry> m_entries;
    std::string m_pending;
    std::int64_t m_pendingSince = 0;
    std::size_t m_dropped = 0;
};

} // namespace session
