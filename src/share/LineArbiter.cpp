#include "share/LineArbiter.h"

#include <algorithm>

namespace share {

namespace {

constexpr unsigned kAllOutputs = 0x3FE; // bits 1..9

} // namespace

unsigned expectedRoutingOutputs(std::string_view unit) {
    unsigned outputs = 0;
    for (std::size_t set = unit.find("SET OUT"); set != std::string_view::npos;
         set = unit.find("SET OUT", set + 1)) {
        if (set + 12 > unit.size())
            break;
        const char digit = unit[set + 7];
        if (digit >= '0' && digit <= '9' && unit.substr(set + 8, 4) == " VS ")
            outputs |= digit == '0' ? kAllOutputs : 1u << (digit - '0');
    }
    return outputs;
}

LineArbiter::LineArbiter(session::DeviceSession &session, const session::TimerFactory &timers,
                         std::function<Clock::time_point()> now)
    : m_session(session), m_timer(timers([this] { pump(); })), m_now(std::move(now)) {
    m_session.addObserver(this);
}

LineArbiter::~LineArbiter() {
    m_session.removeObserver(this);
}

void LineArbiter::submit(LineUnit unit) {
    m_queuedBytes[unit.client] += unit.bytes.size();
    m_queue.push_back(std::move(unit));
    pump();
}

void LineArbiter::forget(ClientId client) {
    m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(),
                                 [client](const LineUnit &unit) { return unit.client == client; }),
                  m_queue.end());
    m_queuedBytes.erase(client);
}

void LineArbiter::clear() {
    m_queue.clear();
    const std::map<ClientId, std::size_t> waited = std::move(m_queuedBytes);
    m_queuedBytes.clear();
    m_awaiting = false;
    m_expectedOutputs = 0;
    // The port's queue went with the line.
    m_backlog = 0;
    m_timer->stop();
    if (onDequeued)
        for (const auto &[client, bytes] : waited)
            onDequeued(client);
}

std::size_t LineArbiter::queuedBytes(ClientId client) const {
    const auto found = m_queuedBytes.find(client);
    return found == m_queuedBytes.end() ? 0 : found->second;
}

void LineArbiter::dequeued(const LineUnit &unit) {
    const auto found = m_queuedBytes.find(unit.client);
    if (found != m_queuedBytes.end() && (found->second -= std::min(found->second, unit.bytes.size())) == 0)
        m_queuedBytes.erase(found);
    if (onDequeued)
        onDequeued(unit.client);
}

std::size_t LineArbiter::backlog(Clock::time_point now) const {
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - m_backlogAt).count();
    const auto left =
        static_cast<std::size_t>(std::max<long long>(elapsed, 0)) * kLineBytesPerSecond / 1000000;
    return m_backlog > left ? m_backlog - left : 0;
}

bool LineArbiter::idle() const {
    return m_queue.empty() && settled(m_now());
}

bool LineArbiter::settled(Clock::time_point now) const {
    if (!m_awaiting)
        return true;
    if (m_linesSinceSent == 0)
        return now - m_sentAt >= kNoAnswer;
    if (m_expecting && m_expectedOutputs == 0)
        return true;
    return now - std::max(m_lastLine, m_sentAt) >= kQuiet;
}

void LineArbiter::pump() {
    m_timer->stop();
    const Clock::time_point now = m_now();
    if (m_awaiting && settled(now))
        m_awaiting = false;
    while (!m_queue.empty()) {
        LineUnit &next = m_queue.front();
        if (m_awaiting && next.device != m_device) {
            armForSettling(now);
            return;
        }
        const std::size_t held = backlog(now);
        if (held > 0 && held + next.bytes.size() > kBacklog) {
            // Once half the burst can have left the port (room for any unit): a flood then goes in
            // bursts, not with a wake-up per unit.
            const std::size_t drain = held - kBacklog / 2;
            m_timer->start(static_cast<int>((drain * 1000 + kLineBytesPerSecond - 1) / kLineBytesPerSecond));
            return;
        }
        const session::SendStatus status = m_session.sendRaw(next.bytes);
        if (status != session::SendStatus::Sent && m_session.isOpen() &&
            next.bytes.size() <= session::DeviceSession::kWriteLimit) {
            // The port's queue is full after all: the unit waits, it is not lost.
            m_timer->start(static_cast<int>(kRetry.count()));
            return;
        }
        const LineUnit unit = std::move(next);
        m_queue.pop_front();
        dequeued(unit);
        if (status != session::SendStatus::Sent) {
            if (onRefused)
                onRefused(unit);
            continue;
        }
        m_backlog = held + unit.bytes.size();
        m_backlogAt = now;
        const bool joins = m_awaiting && unit.device == m_device;
        if (!joins) {
            m_expectedOutputs = 0;
            m_linesSinceSent = 0;
        }
        m_awaiting = true;
        m_device = unit.device;
        m_client = unit.client;
        // The routing replies settle the answer only while every unit awaited is a routing command: a
        // unit that asks for anything else is answered by the quiet rule, whatever came before it.
        const unsigned expected = expectedRoutingOutputs(unit.bytes);
        m_expecting = (!joins || m_expecting) && expected != 0;
        m_expectedOutputs |= expected;
        m_sentAt = now;
        m_lastTraffic = now;
    }
}

// Wakes when the awaited answer would count as settled if nothing more came.
void LineArbiter::armForSettling(Clock::time_point now) {
    const Clock::time_point due =
        m_linesSinceSent == 0 ? m_sentAt + kNoAnswer : std::max(m_lastLine, m_sentAt) + kQuiet;
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count();
    m_timer->start(static_cast<int>(std::max<long long>(wait, 1)));
}

void LineArbiter::onLineSeen(std::string_view) {
    const Clock::time_point now = m_now();
    m_lineClient = m_awaiting && !settled(now) ? m_client : kKorvexd;
    m_lastLine = now;
    m_lastTraffic = now;
    ++m_linesSinceSent;
}

void LineArbiter::onReplyHandled(const protocol::Reply &reply) {
    if (const auto *routing = std::get_if<protocol::RoutingReply>(&reply); routing && routing->output)
        m_expectedOutputs &= ~(1u << *routing->output);
    // An answer complete by what it was asked for lets the next device's unit go at once; otherwise
    // the quiet rule counts from this line (a unit waiting for the port keeps its own time).
    if (!m_queue.empty())
        pump();
}

} // namespace share
