#include "sim/SwitcherLine.h"

#include "sim/CommandParser.h"

#include <algorithm>

namespace korvexsim {

SwitcherLine::SwitcherLine(const std::vector<int> &addresses) {
    for (int a : addresses)
        m_devices.emplace_back(a);
    std::stable_sort(m_devices.begin(), m_devices.end(),
                     [](const Device &x, const Device &y) { return x.address() < y.address(); });
}

void SwitcherLine::setSinkEdid(int output, const EdidImage &image) {
    for (Device &d : m_devices)
        d.setSinkEdid(output, image);
}

SwitcherLine::Result SwitcherLine::handleLine(std::string_view line) {
    std::optional<AddressedText> addressed = CommandParser::splitLine(line);
    if (!addressed)
        return {};
    std::optional<Command> cmd = CommandParser::parse(addressed->text);
    if (!cmd || cmd->kind == CommandKind::ResetLan)
        return {};
    return dispatch(addressed->address, *cmd);
}

SwitcherLine::Result SwitcherLine::handleFrame(std::string_view frame) {
    if (frame.size() != 10)
        return {};
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(frame[i]); };
    int code = byte(7) | byte(8) << 8;
    if (byte(5) != 0 || code != kResetLanCode)
        return {};
    Command cmd;
    cmd.kind = CommandKind::ResetLan;
    return dispatch(static_cast<int>(byte(6)), cmd);
}

SwitcherLine::Result SwitcherLine::dispatch(std::optional<int> address, const Command &cmd) {
    Result result;
    result.recognised = true;
    for (Device &d : m_devices) {
        if (address && *address != 0 && *address != d.address())
            continue;
        std::string block;
        for (const std::string &l : d.apply(cmd)) {
            block += l;
            block += "\r\n";
        }
        if (!block.empty())
            result.replies.push_back(std::move(block));
    }
    // A new address moves the device to its place in the answering order.
    if (cmd.kind == CommandKind::SetAddress)
        std::stable_sort(m_devices.begin(), m_devices.end(),
                         [](const Device &x, const Device &y) { return x.address() < y.address(); });
    return result;
}

} // namespace korvexsim
