#include "store/StoreFormat.h"

#include "store/NameCheck.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <set>

namespace store {

namespace {

using nlohmann::json;

constexpr int kVersion = 1;

// Text from clients (user names, owners, addresses) is not checked on the way in; a byte that is
// not UTF-8 is written as U+FFFD rather than failing the whole file.
std::string dump(const json &value, int indent = 2) {
    return value.dump(indent, ' ', false, json::error_handler_t::replace);
}

json document() {
    return json{{"version", kVersion}};
}

[[noreturn]] void fail(const std::string &where, const std::string &what) {
    throw FormatError(where + ": " + what);
}

std::string at(const std::string &where, std::size_t index) {
    return where + "[" + std::to_string(index) + "]";
}

std::string dot(const std::string &where, const char *key) {
    return where.empty() ? key : where + "." + key;
}

const json &member(const json &object, const char *key, const std::string &where) {
    const auto it = object.find(key);
    if (it == object.end())
        fail(dot(where, key), "missing");
    return *it;
}

const json *optionalMember(const json &object, const char *key) {
    const auto it = object.find(key);
    return it == object.end() || it->is_null() ? nullptr : &*it;
}

std::int64_t integer(const json &value, std::int64_t lowest, std::int64_t highest, const std::string &where) {
    const std::string range = std::to_string(lowest) + ".." + std::to_string(highest);
    if (!value.is_number_integer())
        fail(where, "not an integer in " + range);
    const bool tooLarge =
        value.is_number_unsigned() && value.get<std::uint64_t>() > static_cast<std::uint64_t>(highest);
    const std::int64_t n = tooLarge ? highest : value.get<std::int64_t>();
    if (tooLarge || n < lowest || n > highest)
        fail(where, dump(value, -1) + " is not in " + range);
    return n;
}

const std::string &text(const json &value, const std::string &where) {
    if (!value.is_string())
        fail(where, "not a string");
    return value.get_ref<const std::string &>();
}

std::string name(const json &value, const std::string &where) {
    const std::string &s = text(value, where);
    if (const std::string problem = checkName(s); !problem.empty())
        fail(where, problem);
    return s;
}

const json &array(const json &value, const std::string &where) {
    if (!value.is_array())
        fail(where, "not an array");
    return value;
}

const json &sizedArray(const json &value, std::size_t size, const std::string &where) {
    if (array(value, where).size() != size)
        fail(where, "needs " + std::to_string(size) + " elements");
    return value;
}

const json &object(const json &value, const std::string &where) {
    if (!value.is_object())
        fail(where, "not an object");
    return value;
}

// Every access above is checked first, so the library should throw nothing of its own; should it
// still, the file is reported as broken rather than ending korvexd.
template <class Decode> auto guarded(Decode decode) {
    try {
        return decode();
    } catch (const json::exception &e) {
        throw FormatError(e.what());
    }
}

json parse(const std::string &bytes) {
    json doc = json::parse(bytes, nullptr, false);
    if (doc.is_discarded())
        throw FormatError("not valid JSON");
    object(doc, "the file");
    const json &version = member(doc, "version", "");
    if (!version.is_number_integer() || version.get<std::int64_t>() != kVersion)
        fail("version",
             dump(version, -1) + " is not a version this korvexd reads (" + std::to_string(kVersion) + ")");
    return doc;
}

const char *mvModeText(MvMode mode) {
    return mode == MvMode::TwoByTwo ? "2x2" : "3x3";
}

const char *actorKindText(Actor::Kind kind) {
    switch (kind) {
    case Actor::Kind::Panel:
        return "panel";
    case Actor::Kind::Router:
        return "router";
    case Actor::Kind::Protocol:
        return "protocol";
    case Actor::Kind::Device:
        break;
    }
    return "device";
}

Actor::Kind actorKind(const std::string &s, const std::string &where) {
    for (Actor::Kind kind :
         {Actor::Kind::Panel, Actor::Kind::Router, Actor::Kind::Protocol, Actor::Kind::Device})
        if (s == actorKindText(kind))
            return kind;
    fail(where, "\"" + s + "\" is not panel, router, protocol or device");
}

json entryJson(const ActivityEntry &e) {
    json what{{"kind", e.what.kind}};
    if (e.what.output)
        what["output"] = *e.what.output;
    if (e.what.input)
        what["input"] = *e.what.input;
    if (e.what.preset)
        what["preset"] = *e.what.preset;
    if (!e.what.value.empty())
        what["value"] = e.what.value;
    what["text"] = e.what.text;
    return json{
        {"seq", e.seq},
        {"time", e.timeMs},
        {"who", {{"kind", actorKindText(e.who.kind)}, {"name", e.who.name}, {"address", e.who.address}}},
        {"what", std::move(what)}};
}

std::optional<int> optionalInt(const json &object, const char *key, const std::string &where) {
    const json *value = optionalMember(object, key);
    if (!value)
        return std::nullopt;
    return static_cast<int>(
        integer(*value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), dot(where, key)));
}

ActivityEntry entryFrom(const json &value, const std::string &where) {
    object(value, where);
    ActivityEntry e;
    e.seq = static_cast<std::uint64_t>(
        integer(member(value, "seq", where), 1, std::numeric_limits<std::int64_t>::max(), dot(where, "seq")));
    e.timeMs = integer(member(value, "time", where), std::numeric_limits<std::int64_t>::min(),
                       std::numeric_limits<std::int64_t>::max(), dot(where, "time"));
    const std::string whoWhere = dot(where, "who");
    const json &who = object(member(value, "who", where), whoWhere);
    e.who.kind = actorKind(text(member(who, "kind", whoWhere), dot(whoWhere, "kind")), dot(whoWhere, "kind"));
    e.who.name = text(member(who, "name", whoWhere), dot(whoWhere, "name"));
    e.who.address = text(member(who, "address", whoWhere), dot(whoWhere, "address"));
    const std::string whatWhere = dot(where, "what");
    const json &what = object(member(value, "what", where), whatWhere);
    e.what.kind = text(member(what, "kind", whatWhere), dot(whatWhere, "kind"));
    e.what.output = optionalInt(what, "output", whatWhere);
    e.what.input = optionalInt(what, "input", whatWhere);
    if (const json *preset = optionalMember(what, "preset"))
        e.what.preset = static_cast<std::uint32_t>(integer(*preset, 0, 0xFFFFFFFF, dot(whatWhere, "preset")));
    if (const json *v = optionalMember(what, "value"))
        e.what.value = text(*v, dot(whatWhere, "value"));
    e.what.text = text(member(what, "text", whatWhere), dot(whatWhere, "text"));
    return e;
}

Preset presetFrom(const json &value, const std::string &where) {
    object(value, where);
    Preset p;
    p.id = static_cast<PresetId>(integer(member(value, "id", where), 1, 0xFFFFFFFF, dot(where, "id")));
    p.name = name(member(value, "name", where), dot(where, "name"));
    if (p.name.empty())
        fail(dot(where, "name"), "empty");
    const std::string outputsWhere = dot(where, "outputs");
    const json &outputs = sizedArray(member(value, "outputs", where), kOutputCount, outputsWhere);
    for (int o = 0; o < kOutputCount; ++o)
        if (!outputs[o].is_null())
            p.outputs[o] = static_cast<int>(integer(outputs[o], 1, kInputCount, at(outputsWhere, o)));
    if (const json *mode = optionalMember(value, "mvMode")) {
        const std::string &s = text(*mode, dot(where, "mvMode"));
        if (s != "3x3" && s != "2x2")
            fail(dot(where, "mvMode"), "\"" + s + "\" is not 3x3 or 2x2");
        p.mvMode = s == "2x2" ? MvMode::TwoByTwo : MvMode::ThreeByThree;
    }
    if (const json *qv = optionalMember(value, "quickView")) {
        const std::string qvWhere = dot(where, "quickView");
        sizedArray(*qv, kQuickViewCount, qvWhere);
        std::array<int, kQuickViewCount> sources{};
        for (int w = 0; w < kQuickViewCount; ++w)
            sources[w] = static_cast<int>(integer((*qv)[w], 1, kLastVideoInput, at(qvWhere, w)));
        p.quickView = sources;
    }
    return p;
}

} // namespace

std::string encodeNames(const DeviceNames &names) {
    json doc = document();
    doc["inputs"] = names.inputs;
    doc["outputs"] = names.outputs;
    return dump(doc) + "\n";
}

std::string encodePresets(const PresetList &list) {
    json doc = document();
    doc["nextId"] = list.nextId;
    json presets = json::array();
    for (const Preset &p : list.presets) {
        json outputs = json::array();
        for (const std::optional<int> &input : p.outputs)
            outputs.push_back(input ? json(*input) : json(nullptr));
        presets.push_back({{"id", p.id},
                           {"name", p.name},
                           {"outputs", std::move(outputs)},
                           {"mvMode", p.mvMode ? json(mvModeText(*p.mvMode)) : json(nullptr)},
                           {"quickView", p.quickView ? json(*p.quickView) : json(nullptr)}});
    }
    doc["presets"] = std::move(presets);
    return dump(doc) + "\n";
}

std::string encodeLocks(const DeviceLocks &locks) {
    json doc = document();
    json list = json::array();
    for (int o = 0; o < kOutputCount; ++o)
        if (locks[o])
            list.push_back({{"output", o + 1}, {"owner", locks[o]->owner}, {"since", locks[o]->sinceMs}});
    doc["locks"] = std::move(list);
    return dump(doc) + "\n";
}

std::string encodeActivity(const std::deque<ActivityEntry> &entries) {
    // One entry a line: readable with grep and tail, and a few hundred kilobytes at most.
    std::string out = "{\"version\": " + std::to_string(kVersion) + ", \"entries\": [";
    for (std::size_t i = 0; i < entries.size(); ++i)
        out += (i ? ",\n  " : "\n  ") + dump(entryJson(entries[i]), -1);
    out += "\n]}\n";
    return out;
}

DeviceNames decodeNames(const std::string &bytes) {
    return guarded([&] {
        const json doc = parse(bytes);
        DeviceNames names;
        const json &inputs = sizedArray(member(doc, "inputs", ""), kInputCount, "inputs");
        for (int i = 0; i < kInputCount; ++i)
            names.inputs[i] = name(inputs[i], at("inputs", i));
        const json &outputs = sizedArray(member(doc, "outputs", ""), kOutputCount, "outputs");
        for (int o = 0; o < kOutputCount; ++o)
            names.outputs[o] = name(outputs[o], at("outputs", o));
        return names;
    });
}

PresetList decodePresets(const std::string &bytes) {
    return guarded([&] {
        const json doc = parse(bytes);
        PresetList list;
        list.nextId =
            static_cast<std::uint64_t>(integer(member(doc, "nextId", ""), 1, 0x100000000, "nextId"));
        const json &presets = array(member(doc, "presets", ""), "presets");
        if (presets.size() > static_cast<std::size_t>(kMaxPresets))
            fail("presets", "more than " + std::to_string(kMaxPresets));
        std::set<PresetId> ids;
        std::set<std::string> names;
        for (std::size_t i = 0; i < presets.size(); ++i) {
            Preset p = presetFrom(presets[i], at("presets", i));
            if (!ids.insert(p.id).second)
                fail(at("presets", i) + ".id", "id " + std::to_string(p.id) + " is used twice");
            if (!names.insert(p.name).second)
                fail(at("presets", i) + ".name", "\"" + p.name + "\" is used twice");
            // An id is never handed out again, even when the file's counter says otherwise.
            list.nextId = std::max<std::uint64_t>(list.nextId, std::uint64_t(p.id) + 1);
            list.presets.push_back(std::move(p));
        }
        return list;
    });
}

DeviceLocks decodeLocks(const std::string &bytes) {
    return guarded([&] {
        const json doc = parse(bytes);
        DeviceLocks locks;
        const json &list = array(member(doc, "locks", ""), "locks");
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string where = at("locks", i);
            object(list[i], where);
            const int output = static_cast<int>(
                integer(member(list[i], "output", where), 1, kOutputCount, where + ".output"));
            if (locks[output - 1])
                fail(where + ".output", "output " + std::to_string(output) + " is locked twice");
            OutputLock lock;
            lock.owner = text(member(list[i], "owner", where), where + ".owner");
            if (lock.owner.empty())
                fail(where + ".owner", "empty");
            lock.sinceMs = integer(member(list[i], "since", where), std::numeric_limits<std::int64_t>::min(),
                                   std::numeric_limits<std::int64_t>::max(), where + ".since");
            locks[output - 1] = std::move(lock);
        }
        return locks;
    });
}

std::deque<ActivityEntry> decodeActivity(const std::string &bytes) {
    return guarded([&] {
        const json doc = parse(bytes);
        const json &list = array(member(doc, "entries", ""), "entries");
        std::deque<ActivityEntry> entries;
        for (std::size_t i = 0; i < list.size(); ++i) {
            ActivityEntry e = entryFrom(list[i], at("entries", i));
            if (!entries.empty() && e.seq <= entries.back().seq)
                fail(at("entries", i) + ".seq", "not after the entry before it");
            entries.push_back(std::move(e));
            if (entries.size() > kActivityLimit)
                entries.pop_front();
        }
        return entries;
    });
}

} // namespace store
