#include "sim/Device.h"

#include "sim/EdidCatalog.h"
#include "sim/ReplyFormatter.h"

#include <algorithm>

namespace korvexsim {

using R = ReplyFormatter;

namespace {

// The parser only builds well-formed commands; this keeps a hand-made one from reaching outside
// the state's arrays.
bool wellFormed(const Command &cmd) {
    auto in = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
    switch (cmd.kind) {
    case CommandKind::SetMvAudio:
    case CommandKind::SetRouting:
    case CommandKind::SetAudioRouting:
    case CommandKind::SetAudioEnable:
    case CommandKind::SetIrRoute:
        return in(cmd.port, 0, 9);
    case CommandKind::SetWallRect:
        return in(cmd.port, 0, 9) && cmd.values.size() == 5;
    case CommandKind::SetEdidChoice:
    case CommandKind::GetOutputEdid:
        return in(cmd.port, 1, 9);
    case CommandKind::GetInputEdid:
        return in(cmd.port, 1, 9) && in(cmd.value, 0, 4);
    case CommandKind::LoadUserEdid:
        return in(cmd.port, 1, 9) && in(cmd.value, 1, 3);
    case CommandKind::SetQvSources:
    case CommandKind::SetHostIp:
    case CommandKind::SetNetMask:
    case CommandKind::SetRouterIp:
        return cmd.values.size() == 4;
    case CommandKind::SetBorderColour:
        return cmd.values.size() == 3;
    case CommandKind::SetIrExtSwitch:
        return cmd.values.size() == 13;
    case CommandKind::SetIrEmitter:
    case CommandKind::SetRs232:
        return cmd.values.size() == 9;
    default:
        return true;
    }
}

} // namespace

Device::Device(int address) : m_state(DeviceState::factory(address)) {}

void Device::setSinkEdid(int output, const EdidImage &image) {
    if (output >= 1 && output <= 9)
        m_state.sinkEdid[static_cast<std::size_t>(output - 1)] = image;
}

template <typename Fn> std::vector<std::string> Device::forOutputs(int output, Fn fn) {
    std::vector<std::string> lines;
    int first = output == 0 ? 1 : output;
    int last = output == 0 ? 9 : output;
    for (int o = first; o <= last; ++o)
        lines.push_back(fn(static_cast<std::size_t>(o - 1), o));
    return lines;
}

std::vector<std::string> Device::apply(const Command &cmd) {
    if (!wellFormed(cmd))
        return {};
    DeviceState &s = m_state;
    auto copyFlags = [&](auto &dest) { std::copy_n(cmd.values.begin(), dest.size(), dest.begin()); };
    auto copyAddress = [&](std::array<int, 4> &dest) { std::copy_n(cmd.values.begin(), 4, dest.begin()); };

    switch (cmd.kind) {
    case CommandKind::GetStatus:
        return R::allStatus(s);
    case CommandKind::GetAddress:
        return {R::address(s)};
    case CommandKind::SetAddress:
        s.address = cmd.value;
        return {R::address(s)};
    case CommandKind::SetMvMode:
        s.mvMode = cmd.value;
        return {R::mvMode(s)};
    case CommandKind::SetQvSources:
        // A source of 0 comes from a console that does not know that window yet: keep it.
        for (std::size_t w = 0; w < 4; ++w)
            if (cmd.values[w] != 0)
                s.qvSources[w] = cmd.values[w];
        return {R::qvSources(s)};
    case CommandKind::SetMvAudio:
        return forOutputs(cmd.port, [&](std::size_t i, int o) {
            s.mvAudio[i] = cmd.value;
            return R::mvAudio(s, o);
        });
    case CommandKind::SetRouting:
        return forOutputs(cmd.port, [&](std::size_t i, int o) {
            s.routing[i] = cmd.value;
            return R::routing(s, o);
        });
    case CommandKind::SetBorderWidth:
        s.borderWidth = cmd.value;
        return {R::borderWidth(s)};
    case CommandKind::SetBorderColour:
        copyFlags(s.borderColour);
        return {R::borderColour(s)};
    case CommandKind::SetEdidChoice:
        s.edidChoice[static_cast<std::size_t>(cmd.port - 1)] = cmd.value;
        return {R::edidChoice(s, cmd.port)};
    case CommandKind::GetOutputEdid:
        return {R::edidDump("OUT" + std::to_string(cmd.port),
                            s.sinkEdid[static_cast<std::size_t>(cmd.port - 1)])};
    case CommandKind::GetInputEdid: {
        const EdidImage &image =
            cmd.value < 2
                ? EdidCatalog::builtin(cmd.value)
                : s.userEdid[static_cast<std::size_t>(cmd.port - 1)][static_cast<std::size_t>(cmd.value - 2)];
        return {R::edidDump("IN" + std::to_string(cmd.port) + " " + std::to_string(cmd.value), image)};
    }
    case CommandKind::LoadUserEdid:
        s.userEdid[static_cast<std::size_t>(cmd.port - 1)][static_cast<std::size_t>(cmd.value - 1)] =
            cmd.edid;
        // No status line shows a slot's content; the input's EDID choice line confirms the load.
        return {R::edidChoice(s, cmd.port)};
    case CommandKind::SetDhcp:
        s.lan.dhcp = cmd.value;
        return {R::dhcp(s)};
    case CommandKind::SetHostIp:
        copyAddress(s.lan.host);
        return {R::hostIp(s)};
    case CommandKind::SetNetMask:
        copyAddress(s.lan.mask);
        return {R::netMask(s)};
    case CommandKind::SetRouterIp:
        copyAddress(s.lan.router);
        return {R::routerIp(s)};
    case CommandKind::SetTcpPort:
        s.lan.tcpPort = cmd.value;
        return {R::tcpPort(s)};
    case CommandKind::SetMac:
        s.mac = cmd.text;
        return {R::mac(s)};
    case CommandKind::ResetLan:
        s.lan = LanSettings{};
        return R::lanStatus(s);
    case CommandKind::SetAudioMode:
        s.audioMode = cmd.value;
        return {R::audioMode(s)};
    case CommandKind::SetAudioRouting:
        return forOutputs(cmd.port, [&](std::size_t i, int o) {
            s.audioRouting[i] = cmd.value;
            return R::audioRouting(s, o);
        });
    case CommandKind::SetAudioEnable:
        return forOutputs(cmd.port, [&](std::size_t i, int o) {
            s.audioMute[i] = cmd.value;
            return R::audioEnable(s, o);
        });
    case CommandKind::SetIrRoute:
        return forOutputs(cmd.port, [&](std::size_t i, int o) {
            s.irRoute[i] = cmd.value;
            return R::irRoute(s, o);
        });
    case CommandKind::SetIrExtSwitch:
        copyFlags(s.irExtSwitch);
        return {R::irExtSwitch(s)};
    case CommandKind::SetIrEmitter:
        copyFlags(s.irEmitter);
        return {R::irEmitter(s)};
    case CommandKind::SetRs232:
        copyFlags(s.rs232);
        return {R::rs232(s)};
    case CommandKind::SetWallRect:
        return forOutputs(cmd.port, [&](std::size_t i, int o) {
            s.wall[i] = WallRect{cmd.values[0], cmd.values[1], cmd.values[2], cmd.values[3], cmd.values[4]};
            return R::wallRect(s, o);
        });
    case CommandKind::Probe:
        return {R::probeAnswer(s)};
    }
    return {};
}

} // namespace korvexsim
