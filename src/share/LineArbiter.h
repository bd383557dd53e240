#pragma once

#include "session/DeviceSession.h"
#include "session/Timer.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace share {

// Who a unit came from: a client of one of korvexd's listeners, or korvexd itself (its status
// requests at start, after a reconnect and when polling).
using ClientId = std::uint64_t;
inline constexpr ClientId kKorvexd = 0;

// A whole unit on its way to the line, and the device it is for.
struct LineUnit {
    ClientId client = kKorvexd;
    std::string bytes;
    std::uint8_t device = 0;
};

// Puts units on the shared line one after another, so that every answer is credited to the device
// that was asked. A unit for the device whose answer is awaited goes at once; a unit for another
// device waits until that answer has settled: every reply a routing command asks for has come, or a
// line came and the line then stayed quiet for 300 ms (the rule korvex-ctl waits by), or nothing came
// within a second. Units keep their order.
//
// The line takes bytes no faster than a 57600-baud UART sends them, and the port's own queue is
// small (a serial port that cannot queue a write counts as failed and drops): beyond a burst of
// kBacklog bytes units wait here until half the burst can have left, and one the port still refuses
// while the line is on is tried again shortly. So a flood goes on the line at its pace and is not lost.
class LineArbiter : private session::ISessionObserver {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kQuiet{300};
    static constexpr std::chrono::milliseconds kNoAnswer{1000};
    static constexpr std::size_t kBacklog = 4 * 1024; // at least twice the write limit
    static constexpr std::size_t kLineBytesPerSecond = 57600 / 10;
    static constexpr std::chrono::milliseconds kRetry{20};

    LineArbiter(session::DeviceSession &session, const session::TimerFactory &timers,
                std::function<Clock::time_point()> now = &Clock::now);
    ~LineArbiter() override;
    LineArbiter(const LineArbiter &) = delete;
    LineArbiter &operator=(const LineArbiter &) = delete;

    // Queues a unit; it goes now when it may.
    void submit(LineUnit unit);
    // A client left: its units not yet on the line go with it.
    void forget(ClientId client);
    // The line dropped: nothing queued goes, nothing is awaited.
    void clear();

    // Nothing queued and no answer awaited.
    bool idle() const;
    // The last byte that went on or came off the line.
    Clock::time_point lastTraffic() const { return m_lastTraffic; }
    // The device whose answer is awaited (or came last), and who sent the unit it answers.
    std::uint8_t device() const { return m_device; }
    ClientId client() const { return m_client; }
    // Whose unit the last line from the devices answers: korvexd's own when it came once the answer
    // had settled (a change made at a device's front panel).
    ClientId lineClient() const { return m_lineClient; }
    std::size_t queued() const { return m_queue.size(); }
    // Bytes of a client's units waiting here.
    std::size_t queuedBytes(ClientId client) const;

    // A unit the line did not take (closed, or over the write limit once it was to go), for the log.
    std::function<void(const LineUnit &unit)> onRefused;
    // A client's unit left the queue (on the line, refused or forgotten): a listener that stopped
    // reading a client whose units piled up may read again.
    std::function<void(ClientId client)> onDequeued;

private:
    void onLineSeen(std::string_view line) override;
    void onReplyHandled(const protocol::Reply &reply) override;
    void onBytesReceived(const std::uint8_t *, std::size_t) override { m_lastTraffic = m_now(); }
    void pump();
    bool settled(Clock::time_point now) const;
    void armForSettling(Clock::time_point now);
    // What the port may still hold of the bytes put on the line, at the UART's rate.
    std::size_t backlog(Clock::time_point now) const;
    void dequeued(const LineUnit &unit);

    session::DeviceSession &m_session;
    std::unique_ptr<session::ITimer> m_timer;
    std::function<Clock::time_point()> m_now;
    std::deque<LineUnit> m_queue;
    std::map<ClientId, std::size_t> m_queuedBytes; // by client, for those with units waiting
    std::size_t m_backlog = 0;                     // bytes put on the line as of m_backlogAt
    Clock::time_point m_backlogAt{};
    bool m_awaiting = false;
    std::uint8_t m_device = 0;
    ClientId m_client = kKorvexd;
    ClientId m_lineClient = kKorvexd;
    unsigned m_expectedOutputs = 0; // bits 1..9: routing replies still to come
    bool m_expecting = false;       // every unit awaited asked for routing replies
    int m_linesSinceSent = 0;
    Clock::time_point m_sentAt{};
    Clock::time_point m_lastLine{};
    Clock::time_point m_lastTraffic{};
};

// The routing replies a unit asks for, for every routing command it holds: bit n for "SET OUTn VS ..."
// (n 1..9), bits 1..9 for output 0 (all outputs); 0 when it asks for nothing the arbiter can count.
unsigned expectedRoutingOutputs(std::string_view unit);

} // namespace share
