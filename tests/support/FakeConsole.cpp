#include "FakeConsole.h"

#include "protocol/CommandFrame.h"
#include "protocol/TextPrefix.h"

#include <algorithm>
#include <span>

void FakeConsole::SendText(std::string_view text) {
    texts.emplace_back(text);
    if (const auto out = link::prefixText(text, device))
        wire += *out;
}

void FakeConsole::SendShortFrame(std::uint16_t code) {
    SendFrame(code, 0, nullptr);
}

void FakeConsole::SendFrame(std::uint16_t code, std::size_t payloadLength, const std::uint8_t *payload) {
    const link::FrameResult frame =
        link::buildFrame(0, device, code, std::span<const std::uint8_t>(payload, payloadLength));
    if (frame.ok() && portOn)
        frames.push_back(frame.bytes);
}

void FakeConsole::AddReplySink(IReplySink *sink) {
    if (std::find(sinks.begin(), sinks.end(), sink) == sinks.end())
        sinks.push_back(sink);
}

void FakeConsole::RemoveReplySink(IReplySink *sink) {
    sinks.erase(std::remove(sinks.begin(), sinks.end(), sink), sinks.end());
}

void FakeConsole::reply(std::string line) {
    if (line.find('\n') == std::string::npos)
        line += "\r\n";
    for (IReplySink *sink : sinks) {
        if (sink->TakesRawLines()) {
            sink->OnRawLine(line);
            return;
        }
    }
    const link::Reply decoded = link::decodeReply(line);
    const std::vector<IReplySink *> snapshot = sinks;
    for (IReplySink *sink : snapshot)
        if (std::find(sinks.begin(), sinks.end(), sink) != sinks.end())
            sink->OnReply(decoded);
}

void FakeConsole::linkReset() {
    const std::vector<IReplySink *> snapshot = sinks;
    for (IReplySink *sink : snapshot)
        sink->OnLinkReset();
}

std::string FakeConsole::takeWire() {
    std::string all;
    all.swap(wire);
    return all;
}
