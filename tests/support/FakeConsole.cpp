#include "FakeConsole.h"

#include "protocol/CommandFrame.h"
#include "protocol/TextPrefix.h"

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
    sinks.add(sink);
}

void FakeConsole::RemoveReplySink(IReplySink *sink) {
    sinks.remove(sink);
}

void FakeConsole::reply(std::string line) {
    if (line.find('\n') == std::string::npos)
        line += "\r\n";
    if (!sinks.offerRawLine(line))
        sinks.dispatch(link::decodeReply(line));
}

void FakeConsole::linkReset() {
    sinks.linkReset();
}

std::string FakeConsole::takeWire() {
    std::string all;
    all.swap(wire);
    return all;
}
