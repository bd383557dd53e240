#pragma once

#include "pages/base/DeviceConsole.h"
#include "pages/base/ReplySinks.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Stands in for the console window in page, panel and dialog tests. SendText records the text as
// handed over and the bytes the window would give the port (address prefix included, a text too long
// for the write buffer refused); frames are recorded as built, when the port is on. reply() feeds one received line through the same path as
// the window: the raw-line hook first, else decoded once and handed to every registered sink.
class FakeConsole : public IDeviceConsole {
public:
    bool PortOn() const override { return portOn; }
    std::uint8_t DeviceByte() const override { return device; }
    void SendText(std::string_view text) override;
    void SendShortFrame(std::uint16_t code) override;
    void SendFrame(std::uint16_t code, std::size_t payloadLength, const std::uint8_t *payload) override;
    void AddReplySink(IReplySink *sink) override;
    void RemoveReplySink(IReplySink *sink) override;

    // One received line; CR LF is added when the text has no LF of its own.
    void reply(std::string line);
    // The port closed or a search started.
    void linkReset();

    // The wire bytes since the last take, and cleared.
    std::string takeWire();

    bool portOn = true;
    std::uint8_t device = 1;
    std::vector<std::string> texts;                // each text handed to SendText, unprefixed
    std::string wire;                              // what would have gone on the line
    std::vector<std::vector<std::uint8_t>> frames; // one entry per frame that went out
    ReplySinks sinks;
};
