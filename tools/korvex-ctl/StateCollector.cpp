#include "StateCollector.h"

namespace {

template <class... Handlers> struct Overloaded : Handlers... { using Handlers::operator()...; };
template <class... Handlers> Overloaded(Handlers...) -> Overloaded<Handlers...>;

// The value when it lies in [low, high], else absent.
std::optional<int> within(const std::optional<int> &value, int low, int high) {
    if (value && *value >= low && *value <= high)
        return value;
    return std::nullopt;
}

std::optional<int> minusOne(const std::optional<int> &value) {
    if (value)
        return *value - 1;
    return std::nullopt;
}

std::optional<int> flag(const std::optional<bool> &value) {
    if (value)
        return *value ? 1 : 0;
    return std::nullopt;
}

template <std::size_t N>
void setFlags(DeviceState::Values<N> &target, const std::array<std::optional<bool>, N> &flags) {
    for (std::size_t i = 0; i < N; ++i)
        target[i] = flag(flags[i]);
}

// Output and input selectors are 1..9 (the decoder gives nothing else).
template <std::size_t N> std::optional<int> &row(DeviceState::Values<N> &values, int oneBased) {
    return values[static_cast<std::size_t>(oneBased - 1)];
}

std::optional<DeviceState::IpAddress> address(const protocol::IpAddressFields &fields) {
    DeviceState::IpAddress out{};
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (!fields.octets[i])
            return std::nullopt;
        out[i] = *fields.octets[i];
    }
    return out;
}

} // namespace

void StateCollector::OnReply(const protocol::Reply &reply) {
    if (std::holds_alternative<protocol::NoKeyword>(reply))
        return;
    ++m_replies;
    DeviceState &s = m_state;
    std::visit(
        Overloaded{
            [](const protocol::NoKeyword &) {},
            [&](const protocol::RoutingReply &r) {
                if (r.output)
                    row(s.routing, *r.output) = minusOne(within(r.input, 1, 10));
            },
            [&](const protocol::EdidChoiceReply &r) {
                if (r.input)
                    row(s.edidChoice, *r.input) = within(r.choice, 0, 13);
            },
            [&](const protocol::MacReply &r) { s.mac = r.mac; },
            [&](const protocol::HostIpReply &r) { s.host = address(r); },
            [&](const protocol::NetMaskReply &r) { s.mask = address(r); },
            [&](const protocol::RouterIpReply &r) { s.router = address(r); },
            [&](const protocol::TcpPortReply &r) {
                s.tcpPort = r.text.empty() ? std::nullopt : std::optional<std::string>(r.text);
            },
            [&](const protocol::DhcpReply &r) { s.dhcp = flag(r.enabled); },
            [&](const protocol::AudioRouteReply &r) {
                if (r.output)
                    row(s.audioRouting, *r.output) = minusOne(within(r.input, 1, 9));
            },
            [&](const protocol::AudioOnReply &r) {
                if (r.output)
                    row(s.audioMute, *r.output) = flag(r.muted);
            },
            [&](const protocol::AudioModeReply &r) { s.audioMode = within(r.mode, 0, 2); },
            [&](const protocol::RsMuxReply &r) { setFlags(s.rs232, r.outputs); },
            [&](const protocol::IrRouteReply &r) {
                if (r.output)
                    row(s.irRoute, *r.output) = minusOne(within(r.source, 1, 4));
            },
            [&](const protocol::IrSwitchReply &r) {
                for (std::size_t i = 0; i < r.hdbt.size(); ++i)
                    s.irExtSwitch[i] = flag(r.hdbt[i]);
                for (std::size_t i = 0; i < r.external.size(); ++i)
                    s.irExtSwitch[r.hdbt.size() + i] = flag(r.external[i]);
            },
            [&](const protocol::IrEmitterReply &r) { setFlags(s.irEmitter, r.outputs); },
            [&](const protocol::MvModeReply &r) { s.mvMode = within(r.mode, 0, 1); },
            [&](const protocol::QvSourcesReply &r) {
                for (std::size_t i = 0; i < r.digits.size(); ++i)
                    s.qvSources[i] = minusOne(within(r.digits[i], 1, 9));
            },
            [&](const protocol::BorderColourReply &r) {
                s.borderColour = {within(r.red, 0, 255), within(r.green, 0, 255), within(r.blue, 0, 255)};
            },
            [&](const protocol::BorderWidthReply &r) { s.borderWidth = within(r.width, 0, 15); },
            [&](const protocol::MvAudioReply &r) {
                if (!r.output)
                    return;
                const std::optional<int> source = within(r.source, 1, 10);
                if (*r.output == 0) // all outputs
                    s.mvAudio.fill(source);
                else
                    row(s.mvAudio, *r.output) = source;
            },
            [&](const protocol::AddressReply &r) { s.address = r.address; },
        },
        reply);
}
