#pragma once

#include "protocol/LineAssembler.h"
#include "session/DeviceConsole.h"
#include "session/ReplySinks.h"
#include "session/Transport.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace session {

// What the session's owners (the line controller, the traffic view, korvex-ctl, korvexd) hear besides
// the replies the sinks get. Several may listen; each registers itself.
class ISessionObserver {
public:
    virtual ~ISessionObserver() = default;
    // A complete line that no raw-line taker had, CR LF included, before it is decoded (a device
    // search ends on it).
    virtual void onLineSeen(std::string_view line) { (void)line; }
    // After every sink had the record.
    virtual void onReplyHandled(const protocol::Reply &reply) { (void)reply; }
    // The line failed, or a background connection did not come about; the owner decides when to
    // close it (nothing more is read meanwhile).
    virtual void onLineDropped() {}
    // A background connection is up.
    virtual void onLineConnected() {}
    // Bytes as they went on or came off the line (the traffic view).
    virtual void onBytesSent(const std::uint8_t *data, std::size_t size) {
        (void)data;
        (void)size;
    }
    virtual void onBytesReceived(const std::uint8_t *data, std::size_t size) {
        (void)data;
        (void)size;
    }
};

// The one conversation with a line of switchers, whichever front end drives it: it owns the
// transport, assembles received lines (bounded), offers each to a raw-line taker, decodes it once and
// hands the record to the reply sinks; it prefixes text with the device address, builds frames,
// keeps to the write limit, and holds the port-on flag and the device byte. Single-threaded: every
// call and every transport report happens on the owner's thread.
class DeviceSession : public IDeviceConsole, private ITransportEvents {
public:
    // The port's write buffer: nothing longer goes out in one write.
    static constexpr std::size_t kWriteLimit = 1024;

    DeviceSession() = default;
    ~DeviceSession() override;
    DeviceSession(const DeviceSession &) = delete;
    DeviceSession &operator=(const DeviceSession &) = delete;

    // An observer registered twice is held once; one may leave (or remove another) while it is told.
    void addObserver(ISessionObserver *observer);
    void removeObserver(ISessionObserver *observer);

    // The line to talk over; the old one is closed first. The session owns it.
    void setTransport(std::unique_ptr<ITransport> transport);
    ITransport *transport() const { return m_transport.get(); }

    // Opens the transport (see ITransport::open); the line buffer starts empty.
    bool open(bool serve = true);
    // Closes the transport and tells every sink that nothing it waits for will come.
    void close();
    bool isOpen() const { return m_transport && m_transport->isOpen(); }
    // True once the open line has failed.
    bool lineFailed() const { return m_transport && m_transport->failed(); }

    void setPortOn(bool on) { m_portOn = on; }
    void setDeviceByte(std::uint8_t device) { m_deviceByte = device; }

    // IDeviceConsole
    bool portOn() const override { return m_portOn; }
    std::uint8_t deviceByte() const override { return m_deviceByte; }
    SendStatus SendText(std::string_view text) override;
    SendStatus SendFrame(std::uint16_t code, std::span<const std::uint8_t> payload = {}) override;
    void addReplySink(IReplySink *sink) override { m_sinks.add(sink); }
    void removeReplySink(IReplySink *sink) override { m_sinks.remove(sink); }

    // Bytes as they are, no prefix (the search probe, a shared line's clients).
    SendStatus sendRaw(std::string_view bytes);

    // The device the last command went to: replies are credited to it. With address 00 on a line of
    // several devices every device answers, and their replies all count as device 0's.
    std::uint8_t replyDevice() const { return m_replyDevice; }

    // Received bytes, as the transport hands them over; public so that tests and fuzzers can feed
    // the session directly. Bytes that arrive once the line is closed or failed are dropped.
    void receive(const std::uint8_t *data, std::size_t size);

    // Bytes and complete lines received since start (diagnostics and benchmarks).
    struct Counters {
        std::uint64_t bytes = 0;
        std::uint64_t lines = 0;
    };
    const Counters &counters() const { return m_counters; }
    // Bytes of the unfinished received line.
    std::size_t pendingLineLength() const { return m_lines.pending().size(); }

private:
    void onTransportBytes(const std::uint8_t *data, std::size_t size) override;
    void onTransportDrop() override;
    void onTransportConnected() override;
    void handleLine(std::string_view line);
    SendStatus write(const std::uint8_t *data, std::size_t size);
    template <class Call> void tellObservers(Call &&call);

    std::unique_ptr<ITransport> m_transport;
    std::vector<ISessionObserver *> m_observers;
    int m_telling = 0;            // nesting depth of tellObservers
    bool m_observersLeft = false; // an observer left while they were told
    ReplySinks m_sinks;
    protocol::LineAssembler m_lines;
    Counters m_counters;
    bool m_portOn = false;
    bool m_dropReported = false;
    std::uint8_t m_deviceByte = 0;
    std::uint8_t m_replyDevice = 0;
};

} // namespace session
