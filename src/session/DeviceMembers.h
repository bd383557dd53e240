#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace session {

// The members of a DeviceState as the device model reports their changes. Lan stands for DHCP, the
// three addresses, the TCP port and the MAC together.
enum class DeviceMember : std::uint8_t {
    Routing,
    MvMode,
    QvSources,
    MvAudio,
    BorderWidth,
    BorderColour,
    EdidChoice,
    Lan,
    AudioMode,
    AudioRouting,
    AudioMute,
    IrRoute,
    IrExtSwitch,
    IrEmitter,
    Rs232,
    Address,
};
inline constexpr std::size_t kDeviceMemberCount = 16;

// A set of members: one bit each, cheap to pass by value.
class DeviceMembers {
public:
    constexpr DeviceMembers() = default;
    constexpr DeviceMembers(std::initializer_list<DeviceMember> members) {
        for (DeviceMember m : members)
            add(m);
    }
    static constexpr DeviceMembers all() {
        DeviceMembers set;
        set.m_bits = static_cast<std::uint16_t>((1u << kDeviceMemberCount) - 1);
        return set;
    }

    constexpr void add(DeviceMember member) { m_bits |= bit(member); }
    constexpr bool has(DeviceMember member) const { return (m_bits & bit(member)) != 0; }
    constexpr bool empty() const { return m_bits == 0; }

    friend constexpr bool operator==(DeviceMembers, DeviceMembers) = default;

private:
    static constexpr std::uint16_t bit(DeviceMember member) {
        return static_cast<std::uint16_t>(1u << static_cast<unsigned>(member));
    }

    std::uint16_t m_bits = 0;
};

} // namespace session
