#include "Connection.h"

#include "LoopLinkOwner.h"
#include "TransportChoice.h"
#include "serial/SerialTransport.h"

#include <cstdio>

void ReportError(const std::string &text) {
    std::fflush(stdout);
    std::fprintf(stderr, "korvex-ctl: %s\n", text.c_str());
}

namespace {

std::int64_t msecsSinceEpoch() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

Connection::Connection(const CommandLine &options) : m_options(options) {
    m_session.addObserver(this);
    m_session.setDeviceByte(static_cast<std::uint8_t>(m_options.address));
}

Connection::~Connection() {
    m_session.close();
    m_session.removeObserver(this);
}

Connection::Clock::time_point Connection::deadline() const {
    return Clock::now() + std::chrono::milliseconds(m_options.timeoutMs);
}

int Connection::open() {
    TransportChoice choice = MakeTransport(m_options, [this](SerialTransport::Deliver deliver) {
        return std::make_unique<LoopLinkOwner>(m_loop, std::move(deliver));
    });
    m_label = choice.label;
    if (!choice.transport) {
        ReportError(choice.error);
        return kExitLine;
    }
    m_session.setTransport(std::move(choice.transport));
    if (!m_session.open(true)) {
        ReportError(m_label + ": " + m_session.transport()->failureText());
        return kExitLine;
    }
    if (choice.connectsLater) {
        // Nothing goes out before the connection is up or has failed.
        m_connected = false;
        if (!waitUntil([this] { return m_connected; }, deadline())) {
            const std::string why = m_session.transport()->failureText();
            ReportError(m_label + ": " + (why.empty() ? std::string("timed out") : why));
            return kExitLine;
        }
    }
    m_session.setPortOn(true);
    return kExitOk;
}

SerialTransport *Connection::serialForSearch() {
    auto transport = std::make_unique<SerialTransport>(1, [this](SerialTransport::Deliver deliver) {
        return std::make_unique<LoopLinkOwner>(m_loop, std::move(deliver));
    });
    SerialTransport *serial = transport.get();
    m_session.setTransport(std::move(transport));
    return serial;
}

bool Connection::waitUntil(const std::function<bool()> &done, Clock::time_point deadline) {
    m_loop.runUntil([&] { return m_dropped || done(); }, deadline);
    return !m_dropped && done();
}

std::vector<TrafficLog::Entry> Connection::receivedSince(std::size_t first) const {
    std::vector<TrafficLog::Entry> out;
    const std::size_t dropped = m_traffic.dropped();
    const auto &entries = m_traffic.entries();
    for (std::size_t i = std::max(first, dropped); i < dropped + entries.size(); ++i)
        out.push_back(entries[i - dropped]);
    return out;
}

void Connection::onLineSeen(std::string_view) {
    if (m_lineHook)
        m_lineHook();
}

void Connection::onBytesReceived(const std::uint8_t *data, std::size_t size) {
    if (m_traffic.recordReceived(std::string_view(reinterpret_cast<const char *>(data), size),
                                 msecsSinceEpoch()))
        m_lastReceived = Clock::now();
}
