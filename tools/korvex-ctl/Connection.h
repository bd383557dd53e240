#pragma once

#include "CommandLine.h"
#include "EventLoop.h"
#include "session/DeviceSession.h"
#include "session/LineController.h"
#include "session/TrafficLog.h"

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// korvex-ctl's side of the device session: the loop the session lives on, the line controller on the
// line the options chose, and the lines received on it. Everything runs on the thread that made it.
class Connection : private session::ISessionObserver, private session::ILineFactory {
public:
    using Clock = EventLoop::Clock;

    explicit Connection(const CommandLine &options);
    ~Connection() override;
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    const CommandLine &options() const { return m_options; }
    session::DeviceSession &session() { return m_session; }
    session::LineController &line() { return m_line; }
    EventLoop &loop() { return m_loop; }
    // The line's name in messages: the port with the device it leads to ("COM3 (/dev/pts/4)"), a
    // device path, HOST:PORT.
    const std::string &label() const { return m_label; }

    // Chooses the line of the options on the controller, without opening it. 0, or the exit status
    // after the reason was reported.
    int choose();
    // Chooses the line and turns it on, waiting for a connection made in the background, for the
    // device of --address. 0, or the exit status after the reason was reported.
    int open();

    // Runs the loop until done() holds, the deadline passes or the line drops; returns done().
    bool waitUntil(const std::function<bool()> &done, Clock::time_point deadline);
    // Now plus the --timeout.
    Clock::time_point deadline() const;
    bool dropped() const { return m_dropped; }
    // Reports the line that dropped, or a device that did not answer within `waitedMs` with what to
    // check; returns the exit status.
    int reportNoAnswer(int waitedMs, const std::string &what = "no answer") const;

    // Received lines (as the device sent them, CR LF included, with their time), numbered from 0 since
    // the start.
    std::size_t receivedCount() const { return m_firstKept + m_lines.size(); }
    std::vector<session::TrafficLog::Entry> receivedSince(std::size_t first) const;
    Clock::time_point lastReceived() const { return m_lastReceived; }

private:
    // ISessionObserver
    void onLineSeen(std::string_view line) override;
    void onLineDropped() override { m_dropped = true; }
    void onBytesReceived(const std::uint8_t *, std::size_t) override { m_lastReceived = Clock::now(); }
    // ILineFactory
    std::unique_ptr<session::ITransport> serialLine(unsigned port) override;
    std::unique_ptr<session::ITransport> networkLine(const std::string &host, std::uint16_t port) override;

    static constexpr std::size_t kKeptLines = 100000;

    CommandLine m_options;
    EventLoop m_loop; // outlives the session and its transports
    session::DeviceSession m_session;
    session::LineController m_line;
    std::string m_label;
    std::deque<session::TrafficLog::Entry> m_lines;
    std::size_t m_firstKept = 0; // the number of the oldest kept line
    Clock::time_point m_lastReceived{};
    bool m_dropped = false;
};

// Reports a failure on standard error as one line: "korvex-ctl: " and the text.
void ReportError(const std::string &text);

// The name of serial port `port` in messages: the name given, and the device it leads to where that
// says more: "COM1 (/dev/ttyS0)" from the system's table, "COM3 (/dev/pts/4)" through a link in this
// folder (a dangling link shows where it points), "/dev/serial/by-id/usb-X (/dev/ttyUSB0)".
std::string serialLineLabel(const std::string &given, unsigned port);

// What to check after a serial port did not open, for the reason the serial layer gave ("" when the
// reason says it all).
std::string openFailureAdvice(const std::string &why);

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;    // bad arguments, a file that cannot be read or written, or
                                        // several devices answering address 00
inline constexpr int kExitNoAnswer = 2; // no answer within the time-out
inline constexpr int kExitLine = 3;     // the port or host could not be opened, or the line dropped
inline constexpr int kExitMismatch = 4; // restore: the device answered with other values than sent
