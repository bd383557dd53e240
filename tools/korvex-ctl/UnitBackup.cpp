#include "UnitBackup.h"

#include "CommandLine.h"
#include "protocol/Commands.h"
#include "session/DeviceStateJson.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <span>

namespace {

using session::DeviceMember;
using session::DeviceMembers;
using session::DeviceState;
using Json = nlohmann::json;
using M = DeviceMember;

// The range of every value of a member, as status --json shows them.
struct Rule {
    DeviceMember member;
    int low;
    int high;
};
constexpr std::array<Rule, 14> kRules = {{
    {M::Routing, 0, 9},
    {M::MvMode, 0, 1},
    {M::QvSources, 0, 8},
    {M::MvAudio, 1, 10},
    {M::BorderWidth, 0, 15},
    {M::BorderColour, 0, 255},
    {M::EdidChoice, 0, protocol::kEdidChoiceCount - 1},
    {M::AudioMode, 0, 2},
    {M::AudioRouting, 0, 8},
    {M::AudioMute, 0, 1},
    {M::IrRoute, 0, 3},
    {M::IrExtSwitch, 0, 1},
    {M::IrEmitter, 0, 1},
    {M::Rs232, 0, 1},
}};

// The values a member holds: a list, or a single value as a list of one.
std::span<std::optional<int>> values(DeviceState &s, DeviceMember m) {
    switch (m) {
    case M::Routing:
        return s.routing;
    case M::MvMode:
        return {&s.mvMode, 1};
    case M::QvSources:
        return s.qvSources;
    case M::MvAudio:
        return s.mvAudio;
    case M::BorderWidth:
        return {&s.borderWidth, 1};
    case M::BorderColour:
        return s.borderColour;
    case M::EdidChoice:
        return s.edidChoice;
    case M::AudioMode:
        return {&s.audioMode, 1};
    case M::AudioRouting:
        return s.audioRouting;
    case M::AudioMute:
        return s.audioMute;
    case M::IrRoute:
        return s.irRoute;
    case M::IrExtSwitch:
        return s.irExtSwitch;
    case M::IrEmitter:
        return s.irEmitter;
    case M::Rs232:
        return s.rs232;
    case M::Lan:
    case M::Address:
        break;
    }
    return {};
}

bool isList(DeviceMember m) {
    return m != M::MvMode && m != M::BorderWidth && m != M::AudioMode;
}

// The member's key, as the device model's JSON names it.
std::string keyOf(DeviceMember m) {
    return session::toJson(DeviceState{}, DeviceMembers{m}).begin().key();
}

std::string quoted(const std::string &key) {
    return "\"" + key + "\"";
}

// Something of the JSON value was never reported.
bool hasNull(const nlohmann::ordered_json &value) {
    if (value.is_structured())
        return std::any_of(value.begin(), value.end(), [](const auto &v) { return hasNull(v); });
    return value.is_null();
}

std::string range(const Rule &rule) {
    return std::to_string(rule.low) + ".." + std::to_string(rule.high);
}

// A whole number within the rule's range.
std::optional<int> number(const Json &value, int low, int high) {
    if (!value.is_number_integer())
        return std::nullopt;
    const auto v = value.get<long long>();
    if (v < low || v > high)
        return std::nullopt;
    return static_cast<int>(v);
}

bool readMember(const Json &value, const Rule &rule, DeviceState &state, std::string &error) {
    const std::string key = quoted(keyOf(rule.member));
    std::span<std::optional<int>> slots = values(state, rule.member);
    if (!isList(rule.member)) {
        slots[0] = number(value, rule.low, rule.high);
        if (!slots[0])
            error = key + " must be " + range(rule) + ", not " + value.dump();
        return slots[0].has_value();
    }
    if (!value.is_array() || value.size() != slots.size()) {
        error = key + " must be a list of " + std::to_string(slots.size()) + " numbers " + range(rule) +
                ", not " + value.dump();
        return false;
    }
    for (std::size_t i = 0; i < slots.size(); ++i) {
        slots[i] = number(value[i], rule.low, rule.high);
        if (!slots[i]) {
            error = key + "[" + std::to_string(i) + "] must be " + range(rule) + ", not " + value[i].dump();
            return false;
        }
    }
    return true;
}

std::optional<DeviceState::IpAddress> ipAddress(const Json &value) {
    if (!value.is_string())
        return std::nullopt;
    const std::string text = value.get<std::string>();
    DeviceState::IpAddress out{};
    std::size_t start = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const std::size_t dot = text.find('.', start);
        const bool last = i + 1 == out.size();
        if (last != (dot == std::string::npos))
            return std::nullopt;
        const std::optional<int> part =
            parseNumber(text.substr(start, last ? std::string::npos : dot - start), 0, 255);
        if (!part)
            return std::nullopt;
        out[i] = static_cast<std::uint8_t>(*part);
        start = dot + 1;
    }
    return out;
}

bool readLan(const Json &lan, DeviceState &state, std::string &error) {
    static const std::array<const char *, 6> keys = {"dhcp", "host", "mask", "router", "tcpPort", "mac"};
    if (!lan.is_object()) {
        error = "\"lan\" must be an object, not " + lan.dump();
        return false;
    }
    for (const auto &[key, value] : lan.items()) {
        (void)value;
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
            error = "\"lan\"." + quoted(key) + " is not a LAN setting";
            return false;
        }
    }
    for (const char *key : keys) {
        if (!lan.contains(key)) {
            error = "\"lan\"." + quoted(key) + " is missing";
            return false;
        }
    }
    const auto bad = [&](const char *key, const std::string &what) {
        error = "\"lan\"." + quoted(key) + " must be " + what + ", not " + lan[key].dump();
        return false;
    };
    state.dhcp = number(lan["dhcp"], 0, 1);
    if (!state.dhcp)
        return bad("dhcp", "0..1");
    for (const auto &[key, slot] :
         {std::pair{"host", &state.host}, {"mask", &state.mask}, {"router", &state.router}}) {
        *slot = ipAddress(lan[key]);
        if (!*slot)
            return bad(key, "an address A.B.C.D");
    }
    // The device keeps the port as up to four characters.
    const std::optional<int> port = number(lan["tcpPort"], 1, 9999);
    if (!port)
        return bad("tcpPort", "1..9999");
    state.tcpPort = std::to_string(*port);
    const Json &mac = lan["mac"];
    if (!mac.is_string() || mac.get<std::string>().empty() ||
        !std::all_of(mac.get_ref<const std::string &>().begin(), mac.get_ref<const std::string &>().end(),
                     [](char c) { return c >= 0x20 && c < 0x7F; }))
        return bad("mac", "a text of printable ASCII characters");
    state.mac = mac.get<std::string>();
    return true;
}

std::string built(const std::optional<std::string> &text) {
    // Every value was checked against its range when the file was read, so a text is always formed.
    return text.value_or(std::string());
}

} // namespace

DeviceMembers UnitBackup::members(bool withLan) {
    DeviceMembers set;
    for (const Rule &rule : kRules)
        set.add(rule.member);
    if (withLan)
        set.add(M::Lan);
    return set;
}

std::optional<std::string> UnitBackup::write(const DeviceState &state, bool withLan, std::string &missing) {
    const nlohmann::ordered_json settings = session::toJson(state, members(withLan));
    std::string text =
        "{\n  \"format\": \"" + std::string(kFormat) + "\",\n  \"version\": " + std::to_string(kVersion);
    for (const auto &[key, value] : settings.items()) {
        if (hasNull(value)) {
            missing = key;
            return std::nullopt;
        }
        // One member a line: the file reads and compares well.
        text += ",\n  " + nlohmann::ordered_json(key).dump() + ": " + session::jsonText(value);
    }
    return text + "\n}\n";
}

std::optional<UnitBackup> UnitBackup::read(const std::string &text, std::string &error) {
    Json file;
    try {
        file = Json::parse(text);
    } catch (const Json::parse_error &e) {
        // Without the library's "[json.exception.parse_error.101] ".
        const std::string what = e.what();
        const std::size_t end = what.find("] ");
        error = "not JSON: " + (end == std::string::npos ? what : what.substr(end + 2));
        return std::nullopt;
    }
    const std::string notBackup = std::string("not a korvex-ctl backup (\"format\": \"") + kFormat + "\")";
    if (!file.is_object()) {
        error = notBackup + ": not a JSON object";
        return std::nullopt;
    }
    if (!file.contains("format") || file["format"] != kFormat) {
        error =
            notBackup + ": \"format\" is " + (file.contains("format") ? file["format"].dump() : "missing");
        return std::nullopt;
    }
    if (!file.contains("version") || file["version"] != kVersion) {
        error = "\"version\" is " + (file.contains("version") ? file["version"].dump() : "missing") +
                ": this korvex-ctl reads backups of version " + std::to_string(kVersion);
        return std::nullopt;
    }
    UnitBackup backup;
    backup.m_hasLan = file.contains(keyOf(M::Lan));
    for (const auto &[key, value] : file.items()) {
        (void)value;
        const bool known = key == "format" || key == "version" ||
                           std::any_of(kRules.begin(), kRules.end(),
                                       [&](const Rule &rule) { return keyOf(rule.member) == key; }) ||
                           key == keyOf(M::Lan);
        if (!known) {
            error = quoted(key) + " is not a setting of a version " + std::to_string(kVersion) + " backup";
            return std::nullopt;
        }
    }
    for (const Rule &rule : kRules) {
        const std::string key = keyOf(rule.member);
        if (!file.contains(key)) {
            error = quoted(key) + " is missing";
            return std::nullopt;
        }
        if (!readMember(file[key], rule, backup.m_state, error))
            return std::nullopt;
    }
    if (backup.m_hasLan && !readLan(file[keyOf(M::Lan)], backup.m_state, error))
        return std::nullopt;
    return backup;
}

std::vector<UnitBackup::MemberSteps> UnitBackup::steps(bool withLan) const {
    const DeviceState &s = m_state;
    const auto at = [](const DeviceState::Values<9> &list, int output) {
        return *list[static_cast<std::size_t>(output - 1)];
    };
    // One line per output (or input), 1..9.
    const auto perOutput = [](auto text, auto expected) {
        std::vector<Step> steps;
        for (int o = 1; o <= 9; ++o)
            steps.push_back({text(o), {expected(o)}});
        return steps;
    };
    std::vector<MemberSteps> out;
    out.push_back({M::Routing,
                   perOutput([&](int o) { return built(protocol::buildSetRouting(o, at(s.routing, o) + 1)); },
                             [](int o) { return AnswerWait::one<protocol::RoutingReply>(o); })});
    out.push_back(
        {M::MvMode,
         {{built(protocol::buildSetMvwMode(*s.mvMode)), {AnswerWait::one<protocol::MvModeReply>()}}}});
    std::array<int, 4> digits{};
    for (std::size_t w = 0; w < digits.size(); ++w)
        digits[w] = *s.qvSources[w] + 1;
    out.push_back(
        {M::QvSources,
         {{built(protocol::buildSetQvwSources(digits)), {AnswerWait::one<protocol::QvSourcesReply>()}}}});
    out.push_back(
        {M::MvAudio, perOutput([&](int o) { return built(protocol::buildSetMvAudio(o, at(s.mvAudio, o))); },
                               [](int o) { return AnswerWait::one<protocol::MvAudioReply>(o); })});
    const auto byte = [](const std::optional<int> &v) { return static_cast<std::uint8_t>(*v); };
    // One text sets both; the colour is checked after it too.
    out.push_back({M::BorderWidth,
                   {{protocol::buildSetBorderLine(byte(s.borderWidth), byte(s.borderColour[0]),
                                                  byte(s.borderColour[1]), byte(s.borderColour[2])),
                     {AnswerWait::one<protocol::BorderWidthReply>(),
                      AnswerWait::one<protocol::BorderColourReply>()}}}});
    out.push_back({M::BorderColour, {}});
    out.push_back(
        {M::EdidChoice,
         perOutput([&](int i) { return built(protocol::buildSetInputEdid(i, at(s.edidChoice, i))); },
                   [](int i) { return AnswerWait::one<protocol::EdidChoiceReply>(i); })});
    out.push_back(
        {M::AudioMode,
         {{built(protocol::buildSetExaMode(*s.audioMode)), {AnswerWait::one<protocol::AudioModeReply>()}}}});
    out.push_back(
        {M::AudioRouting,
         perOutput(
             [&](int o) { return built(protocol::buildSetIndependentAudio(o, at(s.audioRouting, o) + 1)); },
             [](int o) { return AnswerWait::one<protocol::AudioRouteReply>(o); })});
    out.push_back(
        {M::AudioMute,
         perOutput([&](int o) { return built(protocol::buildSetAudioOn(o, at(s.audioMute, o) == 0)); },
                   [](int o) { return AnswerWait::one<protocol::AudioOnReply>(o); })});
    out.push_back({M::IrRoute,
                   perOutput([&](int o) { return built(protocol::buildSetIrRoute(o, at(s.irRoute, o) + 1)); },
                             [](int o) { return AnswerWait::one<protocol::IrRouteReply>(o); })});
    const auto flags = [](const auto &values) {
        std::array<bool, std::tuple_size_v<std::decay_t<decltype(values)>>> out{};
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = *values[i] != 0;
        return out;
    };
    out.push_back(
        {M::IrExtSwitch,
         {{protocol::buildSetIrSwitch(flags(s.irExtSwitch)), {AnswerWait::one<protocol::IrSwitchReply>()}}}});
    out.push_back({M::IrEmitter,
                   {{protocol::buildSetIrEmitters(flags(s.irEmitter)),
                     {AnswerWait::one<protocol::IrEmitterReply>()}}}});
    out.push_back(
        {M::Rs232, {{protocol::buildSetRsMux(flags(s.rs232)), {AnswerWait::one<protocol::RsMuxReply>()}}}});
    if (withLan && m_hasLan) {
        protocol::LanSettings lan;
        lan.dhcp = *s.dhcp != 0;
        if (!lan.dhcp) {
            lan.host = *s.host;
            lan.netMask = *s.mask;
            lan.router = *s.router;
        }
        lan.tcpPort = *s.tcpPort;
        lan.mac = s.mac;
        std::vector<AnswerWait::Expected> expected = {AnswerWait::one<protocol::DhcpReply>(),
                                                      AnswerWait::one<protocol::TcpPortReply>(),
                                                      AnswerWait::one<protocol::MacReply>()};
        if (!lan.dhcp)
            expected.insert(expected.end(), {AnswerWait::one<protocol::HostIpReply>(),
                                             AnswerWait::one<protocol::NetMaskReply>(),
                                             AnswerWait::one<protocol::RouterIpReply>()});
        out.push_back({M::Lan, {{built(protocol::buildSetLan(lan)), expected}}});
    }
    return out;
}

bool UnitBackup::matches(const DeviceState &device, DeviceMember member) const {
    if (member != M::Lan)
        return session::toJson(device, DeviceMembers{member}) ==
               session::toJson(m_state, DeviceMembers{member});
    // What a restore sends: with DHCP on the addresses are the network's.
    const DeviceState &s = m_state;
    return device.dhcp == s.dhcp && device.tcpPort == s.tcpPort && device.mac == s.mac &&
           (*s.dhcp != 0 || (device.host == s.host && device.mask == s.mask && device.router == s.router));
}
