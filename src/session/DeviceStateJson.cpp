#include "session/DeviceStateJson.h"

#include <algorithm>
#include <array>

namespace session {
namespace {

using Json = nlohmann::ordered_json;
using M = DeviceMember;

// The members in the order of the simulator's device objects, with their keys.
struct Key {
    DeviceMember member;
    const char *name;
};
constexpr std::array<Key, kDeviceMemberCount> kKeys = {{
    {M::Address, "address"},
    {M::Routing, "routing"},
    {M::MvMode, "mvMode"},
    {M::QvSources, "qvSources"},
    {M::MvAudio, "mvAudio"},
    {M::BorderWidth, "borderWidth"},
    {M::BorderColour, "borderColour"},
    {M::EdidChoice, "edidChoice"},
    {M::Lan, "lan"},
    {M::AudioMode, "audioMode"},
    {M::AudioRouting, "audioRouting"},
    {M::AudioMute, "audioMute"},
    {M::IrRoute, "irRoute"},
    {M::IrExtSwitch, "irExtSwitch"},
    {M::IrEmitter, "irEmitter"},
    {M::Rs232, "rs232"},
}};

// Device texts are one byte per character; JSON strings are UTF-8.
std::string utf8FromLatin1(const std::string &bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

Json value(const std::optional<int> &v) {
    return v ? Json(*v) : Json();
}

template <std::size_t N> Json list(const DeviceState::Values<N> &values) {
    Json out = Json::array();
    for (const std::optional<int> &v : values)
        out.push_back(value(v));
    return out;
}

Json address(const std::optional<DeviceState::IpAddress> &a) {
    if (!a)
        return Json();
    return std::to_string((*a)[0]) + "." + std::to_string((*a)[1]) + "." + std::to_string((*a)[2]) + "." +
           std::to_string((*a)[3]);
}

// A number as the device keeps it; anything else as the text it sent.
Json tcpPort(const std::optional<std::string> &text) {
    if (!text)
        return Json();
    if (!text->empty() &&
        std::all_of(text->begin(), text->end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::stoi(*text);
    return utf8FromLatin1(*text);
}

// The LAN object; with `withUnknown` a setting not known is null rather than left out.
Json lan(const DeviceState &s, bool withUnknown) {
    Json out = Json::object();
    const auto put = [&](const char *key, Json v) {
        if (withUnknown || !v.is_null())
            out[key] = std::move(v);
    };
    put("dhcp", value(s.dhcp));
    put("host", address(s.host));
    put("mask", address(s.mask));
    put("router", address(s.router));
    put("tcpPort", tcpPort(s.tcpPort));
    put("mac", s.mac ? Json(utf8FromLatin1(*s.mac)) : Json());
    return out;
}

// One member, null where it is unknown.
Json member(const DeviceState &s, DeviceMember m) {
    switch (m) {
    case M::Routing:
        return list(s.routing);
    case M::MvMode:
        return value(s.mvMode);
    case M::QvSources:
        return list(s.qvSources);
    case M::MvAudio:
        return list(s.mvAudio);
    case M::BorderWidth:
        return value(s.borderWidth);
    case M::BorderColour:
        return list(s.borderColour);
    case M::EdidChoice:
        return list(s.edidChoice);
    case M::Lan:
        return lan(s, true);
    case M::AudioMode:
        return value(s.audioMode);
    case M::AudioRouting:
        return list(s.audioRouting);
    case M::AudioMute:
        return list(s.audioMute);
    case M::IrRoute:
        return list(s.irRoute);
    case M::IrExtSwitch:
        return list(s.irExtSwitch);
    case M::IrEmitter:
        return list(s.irEmitter);
    case M::Rs232:
        return list(s.rs232);
    case M::Address:
        return value(s.address);
    }
    return Json();
}

// Something of the member is known: a value, an entry of a list, a LAN setting.
bool known(const Json &member) {
    if (member.is_array() || member.is_object())
        return std::any_of(member.begin(), member.end(), [](const Json &v) { return !v.is_null(); });
    return !member.is_null();
}

} // namespace

Json toJson(const DeviceState &state) {
    Json out = Json::object();
    for (const Key &key : kKeys) {
        if (Json v = key.member == M::Lan ? lanJson(state) : member(state, key.member); known(v))
            out[key.name] = std::move(v);
    }
    return out;
}

Json toJson(const DeviceState &state, DeviceMembers members) {
    Json out = Json::object();
    for (const Key &key : kKeys)
        if (members.has(key.member))
            out[key.name] = member(state, key.member);
    return out;
}

Json lanJson(const DeviceState &state) {
    return lan(state, false);
}

std::string jsonText(const Json &json) {
    return json.dump(-1, ' ', true);
}

} // namespace session
