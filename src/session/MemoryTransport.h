#pragma once

#include "session/Transport.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace session {

// A line in memory: what the session writes is kept in `written`, and bytes, a drop or a background
// connection's outcome are fed back by hand. The tests' console, the benchmarks and the fuzzers talk
// to the real session through it; the line controller's tests make it behave like either kind of line.
class MemoryTransport : public ITransport {
public:
    explicit MemoryTransport(std::string name = "memory") : m_name(std::move(name)) {}

    bool open(ITransportEvents *events, bool serve) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool write(const std::uint8_t *data, std::size_t size) override;
    bool failed() const override { return m_failed; }
    void clearFailure() override { m_failed = false; }
    std::string name() const override { return m_name; }
    std::string failureText() const override { return failure; }
    bool connectsLater() const override { return background; }
    bool present() const override { return there; }
    std::vector<int> reconnectSchedule() const override { return schedule; }

    // As if the line delivered these bytes (nothing happens while closed or not served).
    void feed(std::string_view bytes);
    // As if the line dropped (or a background connection did not come about), for this reason.
    void drop(std::string why = {});
    // As if a background connection came up.
    void connect();

    std::string written; // every byte accepted by write, in order
    bool refuseOpen = false;
    bool background = false;        // open() only starts a connection: connect() or drop() follows
    bool there = true;              // present()
    std::vector<int> schedule{500}; // reconnectSchedule()
    std::string failure;            // failureText()
    int opens = 0;                  // successful opens so far

private:
    std::string m_name;
    ITransportEvents *m_events = nullptr;
    bool m_open = false;
    bool m_serving = false;
    bool m_failed = false;
};

} // namespace session
