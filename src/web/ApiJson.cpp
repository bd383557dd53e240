#include "web/ApiJson.h"

#include "session/DeviceStateJson.h"
#include "web/LockOwner.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace web {

namespace {

// The store's kinds of activity as the API names them.
struct WhatKind {
    const char *stored;
    const char *api;
};
constexpr WhatKind kWhatKinds[] = {
    {"route", "route"},
    {"mv-mode", "mvMode"},
    {"qv-sources", "qvSources"},
    {"input-name", "name"},
    {"output-name", "name"},
    {"lock", "lock"},
    {"unlock", "unlock"},
    {"preset-save", "presetSaved"},
    {"preset-recall", "presetRecalled"},
    {"preset-rename", "presetRenamed"},
    {"preset-delete", "presetDeleted"},
};

// "Quick view in1 in2 MV -": the sources the activity line names, 1-based (null where unknown).
Json quickViewFromText(const std::string &text) {
    Json out = Json::array();
    std::size_t at = text.find("view");
    if (at == std::string::npos)
        return Json();
    at += 4;
    while (at < text.size() && out.size() < 4) {
        while (at < text.size() && text[at] == ' ')
            ++at;
        const std::size_t end = std::min(text.find(' ', at), text.size());
        const std::string word = text.substr(at, end - at);
        at = end;
        if (word.size() == 3 && word.rfind("in", 0) == 0 && word[2] >= '1' && word[2] <= '9')
            out.push_back(word[2] - '0');
        else
            out.push_back(nullptr);
    }
    return out;
}

Json whatJson(const store::ActivityWhat &what) {
    Json out = Json::object();
    const auto found = std::find_if(std::begin(kWhatKinds), std::end(kWhatKinds),
                                    [&](const WhatKind &k) { return what.kind == k.stored; });
    out["kind"] = found == std::end(kWhatKinds) ? what.kind : std::string(found->api);
    const std::string kind = out["kind"];
    if (kind == "route") {
        out["output"] = what.output.value_or(0);
        out["input"] = what.input.value_or(0);
    } else if (kind == "mvMode") {
        out["mvMode"] = what.value == "2x2" ? 1 : 0;
    } else if (kind == "qvSources") {
        out["qvSources"] = quickViewFromText(what.text);
    } else if (kind == "name") {
        const bool input = what.kind == "input-name";
        out["target"] = input ? "input" : "output";
        out["number"] = (input ? what.input : what.output).value_or(0);
        out["name"] = what.value;
    } else if (kind == "lock" || kind == "unlock") {
        out["output"] = what.output.value_or(0);
        if (what.text.find(" taken ") != std::string::npos)
            out["forced"] = true;
    } else if (what.preset) {
        out["id"] = *what.preset;
        out["name"] = what.value;
    }
    return out;
}

} // namespace

std::string isoTime(std::int64_t ms) {
    const std::time_t seconds = static_cast<std::time_t>(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(ms - seconds * 1000LL));
    return text;
}

std::string clockTime(std::int64_t ms) {
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", local.tm_hour, local.tm_min);
    return text;
}

std::string deviceId(int device) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", device);
    return text;
}

std::string inputText(const store::DeviceNames &names, int input) {
    const std::string tag = store::defaultInputLabel(input);
    const std::string &name = names.inputs[static_cast<std::size_t>(input - 1)];
    return name.empty() ? tag : name + " (" + tag + ")";
}

std::string outputText(const store::DeviceNames &names, int output) {
    const std::string tag = store::defaultOutputLabel(output);
    const std::string &name = names.outputs[static_cast<std::size_t>(output - 1)];
    return name.empty() ? tag : name + " (" + tag + ")";
}

Json actorJson(const store::Actor &who) {
    switch (who.kind) {
    case store::Actor::Kind::Panel:
        return {
            {"kind", "panel"}, {"label", who.name.empty() ? "panel" : who.name}, {"address", who.address}};
    case store::Actor::Kind::Router:
        return {{"kind", "router"}, {"label", who.name}, {"address", who.address}};
    case store::Actor::Kind::Protocol:
        return {{"kind", "protocol"}, {"label", who.name}, {"address", who.address}};
    case store::Actor::Kind::Device:
        break;
    }
    return {{"kind", "device"}, {"label", "front panel"}, {"address", ""}};
}

Json lockJson(const std::optional<store::OutputLock> &lock) {
    if (!lock)
        return nullptr;
    const LockOwner owner = LockOwner::parse(lock->owner);
    return {{"owner",
             {{"kind", owner.kind == LockOwner::Kind::Panel ? "panel" : "router"},
              {"label", owner.label},
              {"address", owner.address}}},
            {"since", isoTime(lock->sinceMs)}};
}

Json locksJson(const store::DeviceLocks &locks) {
    Json out = Json::array();
    for (const auto &lock : locks)
        out.push_back(lockJson(lock));
    return out;
}

Json namesJson(const store::DeviceNames &names) {
    return {{"inputs", names.inputs}, {"outputs", names.outputs}};
}

Json presetJson(const store::Preset &preset) {
    Json routing = Json::array();
    for (const std::optional<int> &input : preset.outputs)
        routing.push_back(input ? Json(*input) : Json());
    Json out = {{"id", preset.id}, {"name", preset.name}, {"routing", routing}};
    out["mvMode"] = preset.mvMode ? Json(*preset.mvMode == store::MvMode::TwoByTwo ? 1 : 0) : Json();
    out["qvSources"] = preset.quickView ? Json(*preset.quickView) : Json();
    return out;
}

Json presetsJson(const std::vector<store::Preset> &presets) {
    std::vector<const store::Preset *> sorted;
    for (const store::Preset &p : presets)
        sorted.push_back(&p);
    std::stable_sort(sorted.begin(), sorted.end(), [](auto *a, auto *b) { return a->name < b->name; });
    Json out = Json::array();
    for (const store::Preset *p : sorted)
        out.push_back(presetJson(*p));
    return out;
}

Json activityJson(const store::ActivityEntry &entry) {
    return {{"seq", entry.seq},
            {"time", isoTime(entry.timeMs)},
            {"who", actorJson(entry.who)},
            {"what", whatJson(entry.what)},
            {"text", entry.what.text}};
}

Json lineJson(const session::LineStatus &status, const std::string &name) {
    const char *state = "off";
    switch (status.state) {
    case session::LineState::On:
        state = "on";
        break;
    case session::LineState::Connecting:
        state = "connecting";
        break;
    case session::LineState::Lost:
        state = "lost";
        break;
    case session::LineState::Searching:
        state = "searching";
        break;
    case session::LineState::Off:
        break;
    }
    std::string reason;
    if (status.state != session::LineState::On) {
        reason = status.detail;
        if (reason.empty() && status.state == session::LineState::Lost)
            reason = "waiting for the line to return";
        if (reason.empty() && status.state == session::LineState::Off)
            reason = "korvexd is not using the line";
    }
    return {{"name", name}, {"state", state}, {"reason", reason}};
}

Json deviceJson(int device, const session::DeviceState *state, const store::Store &store) {
    Json out = {{"address", device}};
    if (state) {
        const Json members = session::toJson(*state);
        for (const auto &[key, value] : members.items())
            if (key != "address")
                out[key] = value;
    }
    out["names"] = namesJson(store.names(device));
    out["locks"] = locksJson(store.locks(device));
    return out;
}

std::string dumpJson(const Json &json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

HttpResponse jsonResponse(int status, const Json &body) {
    HttpResponse response;
    response.status = status;
    response.set("Content-Type", "application/json");
    response.body = dumpJson(body);
    return response;
}

HttpResponse errorResponse(int status, const std::string &message) {
    return jsonResponse(status, {{"error", message}});
}

store::RoutingState routingStateOf(const session::DeviceState *state) {
    store::RoutingState out;
    if (!state)
        return out;
    for (std::size_t o = 0; o < out.outputs.size(); ++o)
        if (state->routing[o])
            out.outputs[o] = *state->routing[o] + 1;
    if (state->mvMode)
        out.mvMode = *state->mvMode == 1 ? store::MvMode::TwoByTwo : store::MvMode::ThreeByThree;
    for (std::size_t w = 0; w < out.quickView.size(); ++w)
        if (state->qvSources[w])
            out.quickView[w] = *state->qvSources[w] + 1;
    return out;
}

} // namespace web
