#pragma once

#include "session/DeviceSession.h"
#include "session/MemoryTransport.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The device session that page, panel and dialog tests talk to: the real one over a line in memory,
// open, on and addressed to device 01. It also keeps each text as a page handed it (before the
// prefix) and each frame that went out.
class TestConsole : public session::DeviceSession {
public:
    TestConsole();

    session::SendStatus SendText(std::string_view text) override;
    session::SendStatus SendFrame(std::uint16_t code, std::span<const std::uint8_t> payload = {}) override;

    // One received line through the session; CR LF is added when the text has no LF of its own.
    void reply(std::string line);
    // The line closes and opens again: everything that waited for a reply is told.
    void linkReset();
    // What went on the line since the last take, and cleared.
    std::string takeWire();

    std::vector<std::string> texts;                // each text handed to SendText, unprefixed
    std::vector<std::vector<std::uint8_t>> frames; // each frame that went out

private:
    session::MemoryTransport *m_line;
};
