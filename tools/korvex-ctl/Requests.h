#pragma once

#include "AnswerWait.h"
#include "Connection.h"
#include "session/DeviceConsole.h"
#include "session/DeviceState.h"

#include <functional>
#include <string>
#include <vector>

// The commands read a device's state as the device model holds it.
using session::DeviceState;

// A sink registered with the session for the life of the object.
class SinkRegistration {
public:
    SinkRegistration(session::IDeviceConsole &console, session::IReplySink *sink)
        : m_console(console), m_sink(sink) {
        m_console.addReplySink(m_sink);
    }
    ~SinkRegistration() { m_console.removeReplySink(m_sink); }
    SinkRegistration(const SinkRegistration &) = delete;
    SinkRegistration &operator=(const SinkRegistration &) = delete;

private:
    session::IDeviceConsole &m_console;
    session::IReplySink *m_sink;
};

// How long the line stays quiet before a burst of answers counts as over.
inline constexpr int kQuietMs = 300;

// Sends, then waits for the answer: until every expected record has come, or, once any line has
// come, until the line has been quiet for kQuietMs, or until the time-out. Prints the lines that
// came, one each, as text. Returns the exit status (no answer, a dropped line and a refused send
// are reported).
int exchange(Connection &connection, const std::function<session::SendStatus()> &send,
             std::vector<AnswerWait::Expected> expected);
// The same for a text command.
int request(Connection &connection, const std::string &text, std::vector<AnswerWait::Expected> expected);

// Asks the device for all its status lines ("GET STA"; with address 00 its address too) and
// collects what comes, in a device model, until the burst has been quiet for kQuietMs or the
// time-out. With a device address given, a device that answered is at that address; with address 00
// more than one "ADDR " answer means several devices answered, which is refused (their lines would
// be mixed). Returns the exit status.
int readState(Connection &connection, DeviceState &state);

// True once a line has come since `mark` and the line has been quiet for kQuietMs since.
bool quietAfter(const Connection &connection, std::size_t mark);

// A received line as one line of text: without its line end, other control bytes escaped.
std::string answerText(const std::string &line);
