#pragma once

#include "session/Transport.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace session {

// A line in memory: what the session writes is kept in `written`, and bytes or a drop are fed back
// by hand. The tests' console, the benchmarks and the fuzzers talk to the real session through it.
class MemoryTransport : public ITransport {
public:
    explicit MemoryTransport(std::string name = "memory") : m_name(std::move(name)) {}

    bool open(ITransportEvents *events, bool serve) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool write(const std::uint8_t *data, std::size_t size) override;
    bool failed() const override { return m_failed; }
    std::string name() const override { return m_name; }

    // As if the line delivered these bytes (nothing happens while closed or not served).
    void feed(std::string_view bytes);
    // As if the line dropped.
    void drop();

    std::string written; // every byte accepted by write, in order
    bool refuseOpen = false;

private:
    std::string m_name;
    ITransportEvents *m_events = nullptr;
    bool m_open = false;
    bool m_serving = false;
    bool m_failed = false;
};

} // namespace session
