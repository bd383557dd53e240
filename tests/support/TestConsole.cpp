#include "TestConsole.h"

TestConsole::TestConsole() {
    auto line = std::make_unique<session::MemoryTransport>();
    m_line = line.get();
    setTransport(std::move(line));
    open();
    setPortOn(true);
    setDeviceByte(1);
}

session::SendStatus TestConsole::SendText(std::string_view text) {
    texts.emplace_back(text);
    return DeviceSession::SendText(text);
}

session::SendStatus TestConsole::SendFrame(std::uint16_t code, std::span<const std::uint8_t> payload) {
    const std::size_t before = m_line->written.size();
    const session::SendStatus status = DeviceSession::SendFrame(code, payload);
    if (status == session::SendStatus::Sent)
        frames.emplace_back(m_line->written.begin() + static_cast<std::ptrdiff_t>(before),
                            m_line->written.end());
    return status;
}

void TestConsole::reply(std::string line) {
    if (line.find('\n') == std::string::npos)
        line += "\r\n";
    m_line->feed(line);
}

void TestConsole::linkReset() {
    close();
    open();
}

std::string TestConsole::takeWire() {
    std::string all;
    all.swap(m_line->written);
    return all;
}
