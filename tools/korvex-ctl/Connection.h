#pragma once

#include "CommandLine.h"
#include "EventLoop.h"
#include "session/TrafficLog.h"
#include "session/DeviceSession.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class SerialTransport;

// korvex-ctl's side of the device session: the loop the session lives on, the line the options
// chose, and what was received on it (kept as the console's traffic view keeps it, one entry per
// line). Everything runs on the thread that made it.
class Connection : private session::ISessionObserver {
public:
    using Clock = EventLoop::Clock;

    explicit Connection(const CommandLine &options);
    ~Connection() override;
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    const CommandLine &options() const { return m_options; }
    session::DeviceSession &session() { return m_session; }
    EventLoop &loop() { return m_loop; }
    // The line's name in messages ("COM3", the device path, HOST:PORT).
    const std::string &label() const { return m_label; }

    // Opens the line of the options, waits for a connection made in the background, and turns the
    // port on for the device of --address. 0, or the exit status after the reason was reported.
    int open();
    // The port search's line: a serial transport on the session, not opened yet.
    SerialTransport *serialForSearch();

    // Runs the loop until done() holds, the deadline passes or the line drops; returns done().
    bool waitUntil(const std::function<bool()> &done, Clock::time_point deadline);
    // Now plus the --timeout.
    Clock::time_point deadline() const;
    bool dropped() const { return m_dropped; }

    // Received lines, numbered from 0 since the start.
    std::size_t receivedCount() const { return m_traffic.dropped() + m_traffic.entries().size(); }
    std::vector<TrafficLog::Entry> receivedSince(std::size_t first) const;
    Clock::time_point lastReceived() const { return m_lastReceived; }

    // Called for each complete line the session sees (the port search ends on one).
    void setLineHook(std::function<void()> hook) { m_lineHook = std::move(hook); }

private:
    void onLineSeen(std::string_view line) override;
    void onLineDropped() override { m_dropped = true; }
    void onLineConnected() override { m_connected = true; }
    void onBytesReceived(const std::uint8_t *data, std::size_t size) override;

    CommandLine m_options;
    EventLoop m_loop; // outlives the session: closing the line abandons deliveries on it
    session::DeviceSession m_session;
    std::string m_label;
    TrafficLog m_traffic{100000};
    Clock::time_point m_lastReceived{};
    std::function<void()> m_lineHook;
    bool m_dropped = false;
    bool m_connected = false;
};

// Reports a failure on standard error as one line: "korvex-ctl: " and the text.
void ReportError(const std::string &text);

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;    // bad arguments, or a file that cannot be read or written
inline constexpr int kExitNoAnswer = 2; // no answer within the time-out
inline constexpr int kExitLine = 3;     // the port or host could not be opened, or the line dropped
