#include "session/DeviceModel.h"

#include "session/DeviceRules.h"
#include "session/DeviceSession.h"

#include <algorithm>

namespace session {
namespace {

template <class... Handlers> struct Overloaded : Handlers... { using Handlers::operator()...; };
template <class... Handlers> Overloaded(Handlers...) -> Overloaded<Handlers...>;

// Entries of one device's state as a record sets them, and the members whose values that changed.
class Changes {
public:
    template <class T, class U> void set(T &target, const U &value, DeviceMember member) {
        if (target != value) {
            target = value;
            m_members.add(member);
        }
    }
    // The flags a line carries from entry `first` on; a flag it was too short to hold keeps its entry.
    template <std::size_t M, std::size_t N>
    void flags(DeviceState::Values<M> &target, std::size_t first,
               const std::array<std::optional<bool>, N> &in, DeviceMember member) {
        for (std::size_t i = 0; i < N; ++i)
            if (in[i])
                set(target[first + i], std::optional<int>(flagValue(*in[i])), member);
    }
    void address(std::optional<DeviceState::IpAddress> &target, const protocol::IpAddressFields &fields) {
        set(target, ipAddress(fields, target), DeviceMember::Lan);
    }
    DeviceMembers members() const { return m_members; }

private:
    DeviceMembers m_members;
};

// Output and input selectors are 1..9 (the decoder gives no other).
template <std::size_t N> std::optional<int> &row(DeviceState::Values<N> &values, int oneBased) {
    return values[static_cast<std::size_t>(oneBased - 1)];
}

DeviceMembers applyTo(DeviceState &s, const protocol::Reply &reply) {
    Changes w;
    using M = DeviceMember;
    std::visit(
        Overloaded{
            [](const protocol::NoKeyword &) {},
            [&](const protocol::RoutingReply &r) {
                if (r.output && r.input)
                    w.set(row(s.routing, *r.output), routingSelection(*r.input), M::Routing);
            },
            [&](const protocol::EdidChoiceReply &r) {
                if (r.input && r.choice)
                    w.set(row(s.edidChoice, *r.input), edidChoice(*r.choice), M::EdidChoice);
            },
            [&](const protocol::MacReply &r) {
                if (r.mac)
                    w.set(s.mac, r.mac, M::Lan);
            },
            [&](const protocol::HostIpReply &r) { w.address(s.host, r); },
            [&](const protocol::NetMaskReply &r) { w.address(s.mask, r); },
            [&](const protocol::RouterIpReply &r) { w.address(s.router, r); },
            [&](const protocol::TcpPortReply &r) { w.set(s.tcpPort, tcpPortText(r.text), M::Lan); },
            [&](const protocol::DhcpReply &r) {
                if (r.enabled)
                    w.set(s.dhcp, std::optional<int>(flagValue(*r.enabled)), M::Lan);
            },
            [&](const protocol::AudioRouteReply &r) {
                if (r.output && r.input)
                    w.set(row(s.audioRouting, *r.output), audioRouteInput(*r.input), M::AudioRouting);
            },
            [&](const protocol::AudioOnReply &r) {
                if (r.output && r.muted)
                    w.set(row(s.audioMute, *r.output), std::optional<int>(flagValue(*r.muted)), M::AudioMute);
            },
            [&](const protocol::AudioModeReply &r) {
                if (r.mode)
                    w.set(s.audioMode, audioMode(*r.mode), M::AudioMode);
            },
            [&](const protocol::RsMuxReply &r) { w.flags(s.rs232, 0, r.outputs, M::Rs232); },
            [&](const protocol::IrRouteReply &r) {
                if (r.output && r.source)
                    w.set(row(s.irRoute, *r.output), irRouteSource(*r.source), M::IrRoute);
            },
            [&](const protocol::IrSwitchReply &r) {
                w.flags(s.irExtSwitch, 0, r.hdbt, M::IrExtSwitch);
                w.flags(s.irExtSwitch, r.hdbt.size(), r.external, M::IrExtSwitch);
            },
            [&](const protocol::IrEmitterReply &r) { w.flags(s.irEmitter, 0, r.outputs, M::IrEmitter); },
            [&](const protocol::MvModeReply &r) {
                if (r.mode)
                    w.set(s.mvMode, mvMode(*r.mode), M::MvMode);
            },
            [&](const protocol::QvSourcesReply &r) {
                for (std::size_t i = 0; i < r.digits.size(); ++i)
                    if (r.digits[i])
                        w.set(s.qvSources[i], qvSource(*r.digits[i]), M::QvSources);
            },
            [&](const protocol::BorderColourReply &r) {
                const std::optional<int> *const components[] = {&r.red, &r.green, &r.blue};
                for (std::size_t i = 0; i < s.borderColour.size(); ++i)
                    if (*components[i])
                        w.set(s.borderColour[i], colourComponent(**components[i]), M::BorderColour);
            },
            [&](const protocol::BorderWidthReply &r) {
                if (r.width)
                    w.set(s.borderWidth, borderWidth(*r.width), M::BorderWidth);
            },
            [&](const protocol::MvAudioReply &r) {
                if (!r.output || !r.source)
                    return;
                const std::optional<int> source = mvAudioSource(*r.source);
                if (*r.output == 0) { // every output
                    for (std::optional<int> &entry : s.mvAudio)
                        w.set(entry, source, M::MvAudio);
                } else {
                    w.set(row(s.mvAudio, *r.output), source, M::MvAudio);
                }
            },
            [&](const protocol::AddressReply &r) {
                if (r.address)
                    w.set(s.address, deviceAddress(*r.address), M::Address);
            },
        },
        reply);
    return w.members();
}

} // namespace

DeviceModel::DeviceModel(DeviceSession &session) {
    attach(session);
}

DeviceModel::~DeviceModel() {
    detach();
}

void DeviceModel::attach(DeviceSession &session) {
    detach();
    m_session = &session;
    m_session->addReplySink(this);
}

void DeviceModel::detach() {
    if (m_session)
        m_session->removeReplySink(this);
    m_session = nullptr;
}

void DeviceModel::keepAll() {
    m_keepAll = true;
    m_kept.reset();
}

void DeviceModel::keepOnly(std::span<const std::uint8_t> devices) {
    m_keepAll = false;
    m_kept.reset();
    for (std::uint8_t device : devices)
        m_kept.set(device);
    for (std::size_t device = 0; device < m_states.size(); ++device)
        if (!m_kept.test(device))
            m_states[device].reset();
}

void DeviceModel::onReply(const protocol::Reply &reply) {
    apply(m_session ? m_session->replyDevice() : 0, reply);
}

DeviceMembers DeviceModel::apply(std::uint8_t device, const protocol::Reply &reply) {
    if (std::holds_alternative<protocol::NoKeyword>(reply) || !keeps(device))
        return {};
    std::unique_ptr<DeviceState> &state = m_states[device];
    if (!state)
        state = std::make_unique<DeviceState>();
    const DeviceMembers changed = applyTo(*state, reply);
    if (!changed.empty())
        tellObservers([&](IDeviceModelObserver &o) { o.onDeviceChanged(device, changed); });
    return changed;
}

std::vector<std::uint8_t> DeviceModel::devices() const {
    std::vector<std::uint8_t> known;
    for (std::size_t device = 0; device < m_states.size(); ++device)
        if (m_states[device])
            known.push_back(static_cast<std::uint8_t>(device));
    return known;
}

void DeviceModel::clear(std::uint8_t device) {
    if (!m_states[device])
        return;
    m_states[device].reset();
    tellObservers([&](IDeviceModelObserver &o) { o.onDeviceCleared(device); });
}

void DeviceModel::clearAll() {
    for (std::uint8_t device : devices())
        clear(device);
}

void DeviceModel::addObserver(IDeviceModelObserver *observer) {
    if (observer && std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void DeviceModel::removeObserver(IDeviceModelObserver *observer) {
    const auto found = std::find(m_observers.begin(), m_observers.end(), observer);
    if (found == m_observers.end())
        return;
    // While observers are being told, the entry is only emptied, so the walk stays valid.
    if (m_telling > 0) {
        *found = nullptr;
        m_observersLeft = true;
    } else {
        m_observers.erase(found);
    }
}

template <class Call> void DeviceModel::tellObservers(Call &&call) {
    ++m_telling;
    for (std::size_t i = 0; i < m_observers.size(); ++i)
        if (IDeviceModelObserver *observer = m_observers[i])
            call(*observer);
    if (--m_telling == 0 && m_observersLeft) {
        m_observersLeft = false;
        m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), nullptr), m_observers.end());
    }
}

} // namespace session
