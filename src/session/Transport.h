#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace session {

// What a transport reports to its session, always on the session's thread.
class ITransportEvents {
public:
    virtual ~ITransportEvents() = default;
    // Everything one read returned, in order; valid only during the call.
    virtual void onTransportBytes(const std::uint8_t *data, std::size_t size) = 0;
    // The line is gone (hang-up, the device removed, a failed read or write, the peer closed), or a
    // connection that open() started did not come about (failureText() says why).
    virtual void onTransportDrop() = 0;
    // A connection that open() started is up (transports that connect in the background: TCP).
    virtual void onTransportConnected() {}
};

// One way to a line of switchers: a serial port, a TCP connection, or memory in tests. Open and
// close are idempotent; nothing is reported after close returns.
class ITransport {
public:
    virtual ~ITransport() = default;

    // Opens the line and, when serve is true, starts reading it. A line opened without serving is
    // held (no other program can take it) but nothing is read. False: it did not open, and
    // failureText() says why. A transport that connects in the background returns true at once
    // (isOpen() is then true and writes are queued) and reports onTransportConnected or
    // onTransportDrop later; open never blocks for long.
    virtual bool open(ITransportEvents *events, bool serve) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Queues bytes for the line; false when refused (closed, failed, too much queued).
    virtual bool write(const std::uint8_t *data, std::size_t size) = 0;
    // True once the line has failed since it opened (the session closes it on the next report).
    virtual bool failed() const = 0;
    // Forgets a failure, before the line is opened again or after the operator closed it.
    virtual void clearFailure() = 0;

    // What differs between kinds of line, so that nobody needs to know which kind this is:
    // - open() returns before the connection is made, reporting it later (a network line);
    virtual bool connectsLater() const { return false; }
    // - whether the line's device is there to be opened (a serial port's node or COMn link); a line
    //   that cannot tell without trying says true;
    virtual bool present() const { return true; }
    // - the delays in milliseconds between attempts to reopen the line after it dropped, the last
    //   one repeating.
    virtual std::vector<int> reconnectSchedule() const { return {500}; }

    // Where the line goes ("COM3", "10.0.0.7:8000") and, after a failed open, why ("" when it is
    // not known).
    virtual std::string name() const = 0;
    virtual std::string failureText() const { return {}; }
};

} // namespace session
