#pragma once

#include "protocol/ReplyDecoder.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// A party that applies reply lines: a page, the multiview panel or a dialog. It registers with the
// console window for as long as it must hear replies and applies the rows it owns itself; the window
// decodes each received line once and hands the record to every registered sink, in registration
// order. Rows nobody owns are simply not acted on.
class IReplySink {
public:
    virtual ~IReplySink() = default;

    virtual void OnReply(const link::Reply &reply) = 0;

    // The raw-line hook (the EDID capture): while a sink answers true here, each complete received
    // line is handed to it whole, CR LF included, and is neither decoded nor offered to other sinks.
    virtual bool TakesRawLines() const { return false; }
    virtual void OnRawLine(std::string_view line) { (void)line; }

    // The port closed or a device search started: whatever waited for a reply waits no longer.
    virtual void OnLinkReset() {}
};

// What a page needs of the console window to reach the device: the port-on flag, the current device
// byte, the three send operations and the reply registration. The console window implements it;
// pages, the multiview panel and dialogs hold a pointer to it.
class IDeviceConsole {
public:
    virtual ~IDeviceConsole() = default;

    virtual bool PortOn() const = 0;
    virtual std::uint8_t DeviceByte() const = 0;
    // A text command; every command line gets the current device's address prefix.
    virtual void SendText(std::string_view text) = 0;
    // Binary command frames; they report "Com port is not on yet." themselves.
    virtual void SendShortFrame(std::uint16_t code) = 0;
    virtual void SendFrame(std::uint16_t code, std::size_t payloadLength, const std::uint8_t *payload) = 0;

    // Registration for replies; a sink registered twice is held once. Removing an unknown sink does
    // nothing, and a sink may remove itself (or another) while a reply is being handed out.
    virtual void AddReplySink(IReplySink *sink) = 0;
    virtual void RemoveReplySink(IReplySink *sink) = 0;
};
