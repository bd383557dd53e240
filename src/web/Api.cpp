#include "web/Api.h"

#include "protocol/Commands.h"
#include "protocol/TextPrefix.h"
#include "store/NameCheck.h"
#include "store/PresetRecall.h"
#include "web/LockOwner.h"

#include <algorithm>
#include <charconv>
#include <set>

namespace web {

namespace {

// A path number: 1..`digits` decimal digits, nothing else.
std::optional<long long> pathNumber(const std::string &text, std::size_t digits) {
    if (text.empty() || text.size() > digits)
        return std::nullopt;
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

HttpResponse methodNotAllowed(const std::string &allow) {
    HttpResponse response = errorResponse(405, "this path takes " + allow);
    response.set("Allow", allow);
    return response;
}

HttpResponse noContent() {
    HttpResponse response;
    response.status = 204;
    return response;
}

// A member that must be a whole number: its value, or the message of a 400.
std::optional<long long> wholeNumber(const Json &object, const char *key, const std::string &where,
                                     std::string &problem) {
    const auto found = object.find(key);
    if (found == object.end()) {
        problem = where + " has no \"" + key + "\"";
        return std::nullopt;
    }
    if (!found->is_number_integer()) {
        problem = where + ": \"" + key + "\" is not a whole number";
        return std::nullopt;
    }
    return found->is_number_unsigned() && found->get<unsigned long long>() > 1000000
               ? 1000000
               : found->get<long long>();
}

std::string nameProblem(const Json &object, std::string &name) {
    if (!object.is_object())
        return "expected an object with \"name\"";
    const auto found = object.find("name");
    if (found == object.end())
        return "no \"name\"";
    if (!found->is_string())
        return "\"name\" is not a text";
    name = found->get<std::string>();
    return {};
}

} // namespace

Api::Api(share::SharedLine &line, store::Store &store, ChangeWaiter &waiter, std::string lineName,
         std::function<Json()> devicesJson)
    : m_line(line), m_store(store), m_waiter(waiter), m_lineName(std::move(lineName)),
      m_devicesJson(std::move(devicesJson)) {}

void Api::handle(const std::string &method, const std::vector<std::string> &s, const std::string &query,
                 const Json &body, const store::Actor &who, const Reply &reply) {
    const auto only = [&](const char *allowed) {
        if (method == allowed)
            return true;
        reply(methodNotAllowed(allowed));
        return false;
    };
    const std::size_t n = s.size();
    if (n == 2 && s[1] == "events") {
        reply(errorResponse(400, "/api/events is a WebSocket: open it with a WebSocket handshake"));
        return;
    }
    if (n < 2 || s[1] != "devices") {
        reply(errorResponse(404, "no such path"));
        return;
    }
    if (n == 2) {
        if (only("GET"))
            reply(jsonResponse(
                200, {{"line", lineJson(m_line.status(), m_lineName)}, {"devices", m_devicesJson()}}));
        return;
    }
    const std::optional<long long> address = pathNumber(s[2], 2);
    const auto &devices = m_line.devices();
    if (!address || std::find(devices.begin(), devices.end(), *address) == devices.end()) {
        reply(errorResponse(404, "no device " + s[2] + " on this line"));
        return;
    }
    const int d = static_cast<int>(*address);
    const auto device = static_cast<std::uint8_t>(d);
    if (n == 3) {
        if (only("GET"))
            reply(jsonResponse(200, deviceJson(d, m_line.model().state(device), m_store)));
        return;
    }
    const std::string &what = s[3];
    if (what == "routes" && n == 4) {
        if (only("POST"))
            routes(d, body, who, reply);
    } else if (what == "multiview" && n == 4) {
        if (only("PUT"))
            multiview(d, body, who, reply);
    } else if (what == "activity" && n == 4) {
        if (only("GET"))
            activity(d, query, reply);
    } else if (what == "locks" && n == 4) {
        if (only("GET"))
            reply(jsonResponse(200, {{"locks", locksJson(m_store.locks(d))}}));
    } else if (what == "locks" && n == 5) {
        const std::optional<long long> output = pathNumber(s[4], 1);
        if (!output || *output < 1 || *output > store::kOutputCount)
            reply(errorResponse(404, "no output " + s[4] + ": outputs are 1..9"));
        else if (only("PUT"))
            setLock(d, static_cast<int>(*output), body, who, reply);
    } else if (what == "names" && n == 4) {
        if (method == "GET")
            reply(jsonResponse(200, namesJson(m_store.names(d))));
        else if (method == "PATCH")
            patchNames(d, body, who, reply);
        else
            reply(methodNotAllowed("GET, PATCH"));
    } else if (what == "names" && n == 6 && (s[4] == "inputs" || s[4] == "outputs")) {
        const bool input = s[4] == "inputs";
        const int last = input ? store::kInputCount : store::kOutputCount;
        const std::optional<long long> number = pathNumber(s[5], 2);
        if (!number || *number < 1 || *number > last)
            reply(errorResponse(404, "no " + std::string(input ? "input " : "output ") + s[5] + ": " + s[4] +
                                         " are 1.." + std::to_string(last)));
        else if (only("PUT"))
            setName(d, input, static_cast<int>(*number), body, who, reply);
    } else if (what == "presets" && n == 4) {
        if (method == "GET")
            reply(jsonResponse(200, {{"presets", presetsJson(m_store.presets(d))}}));
        else if (method == "POST")
            savePreset(d, body, who, reply);
        else
            reply(methodNotAllowed("GET, POST"));
    } else if (what == "presets" && (n == 5 || (n == 6 && s[5] == "recall"))) {
        const std::optional<long long> id = pathNumber(s[4], 10);
        if (!id || !m_store.preset(d, static_cast<store::PresetId>(*id)) || *id > 0xFFFFFFFFLL) {
            reply(errorResponse(404, "device " + deviceId(d) + " has no preset " + s[4]));
            return;
        }
        const auto presetId = static_cast<store::PresetId>(*id);
        if (n == 6) {
            if (only("POST"))
                recall(d, presetId, who, reply);
        } else if (method == "PUT") {
            renamePreset(d, presetId, body, who, reply);
        } else if (method == "DELETE") {
            const store::StoreResult result = m_store.deletePreset(d, presetId, who);
            reply(result.ok() ? noContent() : storeFailure(result, 404));
        } else {
            reply(methodNotAllowed("PUT, DELETE"));
        }
    } else {
        reply(errorResponse(404, "no such path"));
    }
}

std::string Api::cannotSend() const {
    if (m_line.on())
        return {};
    const Json line = lineJson(m_line.status(), m_lineName);
    std::string text = "the line " + m_lineName + " is " + line["state"].get<std::string>();
    const std::string reason = line["reason"];
    if (!reason.empty())
        text += " (" + reason + ")";
    return text + ", so nothing can be sent to the switcher";
}

std::string Api::lockedMessage(int d, int output) const {
    const store::OutputLock *lock = m_store.ownerOf(d, output);
    if (!lock)
        return {};
    const LockOwner owner = LockOwner::parse(lock->owner);
    const std::string holder =
        owner.kind == LockOwner::Kind::Panel ? owner.label : owner.label + " (router client)";
    return outputText(m_store.names(d), output) + " is locked by " + holder + " since " +
           clockTime(lock->sinceMs);
}

std::string Api::routeCommands(int d, const std::vector<Route> &routes) const {
    const session::DeviceState *state = m_line.model().state(static_cast<std::uint8_t>(d));
    std::vector<int> inputs; // in the order they first appear
    std::map<int, std::vector<int>> outputsOf;
    for (const Route &r : routes) {
        if (state && state->routing[static_cast<std::size_t>(r.output - 1)] == r.input - 1)
            continue; // already showing it
        if (!outputsOf.count(r.input))
            inputs.push_back(r.input);
        outputsOf[r.input].push_back(r.output);
    }
    std::string text;
    const auto add = [&text](const std::optional<std::string> &command) {
        if (command)
            text += text.empty() ? *command : command->substr(2); // one CR LF between lines
    };
    for (int input : inputs) {
        const std::vector<int> &outputs = outputsOf[input];
        if (outputs.size() == static_cast<std::size_t>(store::kOutputCount)) {
            add(protocol::buildSetRouting(0, input)); // every output at once
            continue;
        }
        for (int output : outputs)
            add(protocol::buildSetRouting(output, input));
    }
    return text;
}

void Api::sendAndWait(int d, const std::string &commands, const store::Actor &who, ChangeWaiter::Check check,
                      std::function<HttpResponse()> confirmed, const Reply &reply) {
    const auto device = static_cast<std::uint8_t>(d);
    if (commands.empty() || check(m_line.model().state(device))) {
        reply(confirmed());
        return;
    }
    const std::optional<std::string> prefixed = protocol::prefixText(commands, device);
    if (!prefixed) {
        reply(errorResponse(500, "the commands do not fit the line's write buffer"));
        return;
    }
    const share::ClientId client = m_line.clients().add(who);
    m_line.submit({client, *prefixed, device});
    m_waiter.wait(
        device, std::move(check), kConfirmMs,
        [this, client, reply, confirmed = std::move(confirmed)](bool ok) {
            m_line.clients().remove(client);
            reply(ok ? confirmed()
                     : errorResponse(504,
                                     "the switcher did not confirm within 3 seconds; the commands were sent "
                                     "and the device state shows what it did"));
        });
}

HttpResponse Api::storeFailure(const store::StoreResult &result, int refusedStatus) const {
    if (result.status == store::StoreStatus::WriteFailed)
        return errorResponse(500, "korvexd could not keep the change: " + result.message);
    return errorResponse(refusedStatus, result.message);
}

void Api::routes(int d, const Json &body, const store::Actor &who, const Reply &reply) {
    if (!body.is_array() || body.empty()) {
        reply(
            errorResponse(400, "routes: expected a non-empty list of {\"output\": 1..9, \"input\": 1..10}"));
        return;
    }
    if (body.size() > 64) {
        reply(errorResponse(400, "routes: more entries than outputs"));
        return;
    }
    std::vector<Route> routes;
    std::set<int> seen;
    std::string outOfRange;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const std::string where = "routes: entry " + std::to_string(i + 1);
        if (!body[i].is_object()) {
            reply(errorResponse(400, where + " is not an object"));
            return;
        }
        std::string problem;
        const std::optional<long long> output = wholeNumber(body[i], "output", where, problem);
        const std::optional<long long> input =
            output ? wholeNumber(body[i], "input", where, problem) : std::nullopt;
        if (!output || !input) {
            reply(errorResponse(400, problem));
            return;
        }
        if (outOfRange.empty() && (*output < 1 || *output > store::kOutputCount))
            outOfRange = where + ": output " + std::to_string(*output) + " is not in 1..9";
        else if (outOfRange.empty() && (*input < 1 || *input > store::kInputCount))
            outOfRange = where + ": input " + std::to_string(*input) + " is not in 1..10";
        if (!seen.insert(static_cast<int>(*output)).second) {
            reply(errorResponse(400, "routes: output " + std::to_string(*output) + " is listed twice"));
            return;
        }
        routes.push_back({static_cast<int>(*output), static_cast<int>(*input)});
    }
    if (!outOfRange.empty()) {
        reply(errorResponse(422, outOfRange));
        return;
    }
    for (const Route &r : routes)
        if (const std::string locked = lockedMessage(d, r.output); !locked.empty()) {
            reply(errorResponse(409, locked));
            return;
        }
    if (const std::string down = cannotSend(); !down.empty()) {
        reply(errorResponse(503, down));
        return;
    }
    if (m_waiter.full()) {
        reply(errorResponse(503, "too many requests are waiting for the switcher; try again"));
        return;
    }
    auto check = [routes](const session::DeviceState *state) {
        return state && std::all_of(routes.begin(), routes.end(), [state](const Route &r) {
                   return state->routing[static_cast<std::size_t>(r.output - 1)] == r.input - 1;
               });
    };
    auto confirmed = [routes] {
        Json list = Json::array();
        for (const Route &r : routes)
            list.push_back({{"output", r.output}, {"input", r.input}});
        return jsonResponse(200, {{"routes", list}});
    };
    sendAndWait(d, routeCommands(d, routes), who, check, confirmed, reply);
}

void Api::multiview(int d, const Json &body, const store::Actor &who, const Reply &reply) {
    if (!body.is_object() || (!body.contains("mvMode") && !body.contains("qvSources"))) {
        reply(errorResponse(400, "multiview: expected \"mvMode\" and/or \"qvSources\""));
        return;
    }
    std::optional<int> mode;
    std::optional<std::array<int, 4>> sources;
    std::string problem;
    if (body.contains("mvMode")) {
        const std::optional<long long> m = wholeNumber(body, "mvMode", "multiview", problem);
        if (!m) {
            reply(errorResponse(400, problem));
            return;
        }
        if (*m != 0 && *m != 1) {
            reply(
                errorResponse(422, "multiview: mvMode " + std::to_string(*m) + " is not 0 (3x3) or 1 (2x2)"));
            return;
        }
        mode = static_cast<int>(*m);
    }
    if (body.contains("qvSources")) {
        const Json &list = body["qvSources"];
        if (!list.is_array() || list.size() != 4 ||
            !std::all_of(list.begin(), list.end(), [](const Json &v) { return v.is_number_integer(); })) {
            reply(errorResponse(400, "multiview: \"qvSources\" is not a list of 4 inputs"));
            return;
        }
        std::array<int, 4> values{};
        for (std::size_t w = 0; w < 4; ++w) {
            const long long v = list[w].is_number_unsigned() && list[w].get<unsigned long long>() > 1000000
                                    ? 1000000
                                    : list[w].get<long long>();
            if (v < 1 || v > store::kLastVideoInput) {
                reply(errorResponse(422, "multiview: quick-view window " + std::to_string(w + 1) +
                                             "'s input " + std::to_string(v) + " is not in 1..9"));
                return;
            }
            values[w] = static_cast<int>(v);
        }
        sources = values;
    }
    if (const std::string down = cannotSend(); !down.empty()) {
        reply(errorResponse(503, down));
        return;
    }
    if (m_waiter.full()) {
        reply(errorResponse(503, "too many requests are waiting for the switcher; try again"));
        return;
    }
    const session::DeviceState *state = m_line.model().state(static_cast<std::uint8_t>(d));
    std::string commands;
    const auto add = [&commands](const std::optional<std::string> &command) {
        if (command)
            commands += commands.empty() ? *command : command->substr(2);
    };
    if (mode && !(state && state->mvMode == *mode))
        add(protocol::buildSetMvwMode(*mode));
    if (sources) {
        bool same = state != nullptr;
        for (std::size_t w = 0; w < 4 && same; ++w)
            same = state->qvSources[w] == (*sources)[w] - 1;
        if (!same)
            add(protocol::buildSetQvwSources(*sources));
    }
    auto check = [mode, sources](const session::DeviceState *s) {
        if (!s)
            return false;
        if (mode && s->mvMode != *mode)
            return false;
        for (std::size_t w = 0; sources && w < 4; ++w)
            if (s->qvSources[w] != (*sources)[w] - 1)
                return false;
        return true;
    };
    auto confirmed = [this, d] {
        const session::DeviceState *s = m_line.model().state(static_cast<std::uint8_t>(d));
        Json qv = Json::array();
        for (std::size_t w = 0; w < 4; ++w)
            qv.push_back(s && s->qvSources[w] ? Json(*s->qvSources[w] + 1) : Json());
        return jsonResponse(200, {{"mvMode", s && s->mvMode ? Json(*s->mvMode) : Json()}, {"qvSources", qv}});
    };
    sendAndWait(d, commands, who, check, confirmed, reply);
}

void Api::recall(int d, store::PresetId id, const store::Actor &who, const Reply &reply) {
    if (const std::string down = cannotSend(); !down.empty()) {
        reply(errorResponse(503, down));
        return;
    }
    if (m_waiter.full()) {
        reply(errorResponse(503, "too many requests are waiting for the switcher; try again"));
        return;
    }
    const store::Preset preset = *m_store.preset(d, id);
    const session::DeviceState *state = m_line.model().state(static_cast<std::uint8_t>(d));
    const std::vector<store::RecallStep> steps = store::recallSteps(routingStateOf(state), preset);
    std::vector<Route> routes;
    std::optional<int> mode;
    std::optional<std::array<int, 4>> sources;
    Json changes = Json::array();
    Json skipped = Json::array();
    for (const store::RecallStep &step : steps) {
        switch (step.kind) {
        case store::RecallStep::Kind::Route:
            if (const std::optional<store::OutputLock> &lock = m_store.locks(d)[step.output - 1]) {
                skipped.push_back(
                    {{"output", step.output}, {"input", step.input}, {"lockedBy", lockJson(lock)["owner"]}});
                continue;
            }
            routes.push_back({step.output, step.input});
            changes.push_back({{"output", step.output}, {"input", step.input}});
            break;
        case store::RecallStep::Kind::MvMode:
            mode = step.mvMode == store::MvMode::TwoByTwo ? 1 : 0;
            changes.push_back({{"mvMode", *mode}});
            break;
        case store::RecallStep::Kind::QuickView:
            sources = step.quickView;
            changes.push_back({{"qvSources", *sources}});
            break;
        }
    }
    std::string commands = routeCommands(d, routes);
    const auto add = [&commands](const std::optional<std::string> &command) {
        if (command)
            commands += commands.empty() ? *command : command->substr(2);
    };
    if (mode)
        add(protocol::buildSetMvwMode(*mode));
    if (sources)
        add(protocol::buildSetQvwSources(*sources));
    store::ActivityWhat what;
    what.kind = "preset-recall";
    what.preset = preset.id;
    what.value = preset.name;
    what.text = "Preset \"" + preset.name + "\" recalled";
    if (const store::StoreResult recorded = m_store.record(d, who, {what}); !recorded.ok())
        (void)recorded; // the recall goes ahead; the activity's failure is the store's to report
    auto check = [routes, mode, sources](const session::DeviceState *s) {
        if (!s)
            return false;
        for (const Route &r : routes)
            if (s->routing[static_cast<std::size_t>(r.output - 1)] != r.input - 1)
                return false;
        if (mode && s->mvMode != *mode)
            return false;
        for (std::size_t w = 0; sources && w < 4; ++w)
            if (s->qvSources[w] != (*sources)[w] - 1)
                return false;
        return true;
    };
    auto confirmed = [id, changes, skipped] {
        return jsonResponse(200, {{"preset", id}, {"changes", changes}, {"skipped", skipped}});
    };
    sendAndWait(d, commands, who, check, confirmed, reply);
}

void Api::savePreset(int d, const Json &body, const store::Actor &who, const Reply &reply) {
    std::string name;
    if (const std::string problem = nameProblem(body, name); !problem.empty()) {
        reply(errorResponse(400, "preset: " + problem));
        return;
    }
    if (const std::string problem = store::checkName(name); !problem.empty()) {
        reply(errorResponse(422, problem));
        return;
    }
    if (name.empty()) {
        reply(errorResponse(422, "a preset needs a name"));
        return;
    }
    const store::RoutingState state = routingStateOf(m_line.model().state(static_cast<std::uint8_t>(d)));
    if (std::none_of(state.outputs.begin(), state.outputs.end(),
                     [](const auto &o) { return o.has_value(); })) {
        reply(errorResponse(503, "device " + deviceId(d) +
                                     "'s routing is not known yet, so there is nothing to save"));
        return;
    }
    const store::StoreResult result = m_store.savePreset(d, name, state, who);
    if (!result.ok()) {
        reply(storeFailure(result, 409));
        return;
    }
    const store::Preset &saved = m_store.presets(d).back();
    HttpResponse response = jsonResponse(201, presetJson(saved));
    response.set("Location", "/api/devices/" + deviceId(d) + "/presets/" + std::to_string(saved.id));
    reply(std::move(response));
}

void Api::renamePreset(int d, store::PresetId id, const Json &body, const store::Actor &who,
                       const Reply &reply) {
    std::string name;
    if (const std::string problem = nameProblem(body, name); !problem.empty()) {
        reply(errorResponse(400, "preset: " + problem));
        return;
    }
    if (const std::string problem = store::checkName(name); !problem.empty() || name.empty()) {
        reply(errorResponse(422, name.empty() ? "a preset needs a name" : problem));
        return;
    }
    const store::StoreResult result = m_store.renamePreset(d, id, name, who);
    if (!result.ok()) {
        reply(storeFailure(result, 409));
        return;
    }
    reply(jsonResponse(200, presetJson(*m_store.preset(d, id))));
}

void Api::setName(int d, bool input, int number, const Json &body, const store::Actor &who,
                  const Reply &reply) {
    std::string name;
    if (const std::string problem = nameProblem(body, name); !problem.empty()) {
        reply(errorResponse(400, "name: " + problem));
        return;
    }
    if (const std::string problem = store::checkName(name); !problem.empty()) {
        reply(errorResponse(422, problem));
        return;
    }
    const store::StoreResult result =
        input ? m_store.setInputName(d, number, name, who) : m_store.setOutputName(d, number, name, who);
    reply(result.ok() ? jsonResponse(200, namesJson(m_store.names(d))) : storeFailure(result, 422));
}

void Api::patchNames(int d, const Json &body, const store::Actor &who, const Reply &reply) {
    if (!body.is_object() || (!body.contains("inputs") && !body.contains("outputs"))) {
        reply(errorResponse(400, "names: expected \"inputs\" and/or \"outputs\""));
        return;
    }
    struct Change {
        bool input;
        int number;
        std::string name;
    };
    std::vector<Change> changes;
    for (const bool input : {true, false}) {
        const char *key = input ? "inputs" : "outputs";
        if (!body.contains(key))
            continue;
        const Json &map = body[key];
        if (!map.is_object()) {
            reply(errorResponse(400, std::string("names: \"") + key + "\" is not an object"));
            return;
        }
        const int last = input ? store::kInputCount : store::kOutputCount;
        for (const auto &[number, name] : map.items()) {
            const std::optional<long long> n = pathNumber(number, 2);
            if (!name.is_string()) {
                reply(errorResponse(400, std::string("names: ") + key + " \"" + number + "\" is not a text"));
                return;
            }
            if (!n || *n < 1 || *n > last) {
                reply(errorResponse(422, std::string("names: ") + key + " \"" + number + "\" is not in 1.." +
                                             std::to_string(last)));
                return;
            }
            if (const std::string problem = store::checkName(name.get<std::string>()); !problem.empty()) {
                reply(errorResponse(422, std::string(key) + " " + number + ": " + problem));
                return;
            }
            changes.push_back({input, static_cast<int>(*n), name.get<std::string>()});
        }
    }
    for (const Change &c : changes) {
        const store::StoreResult result = c.input ? m_store.setInputName(d, c.number, c.name, who)
                                                  : m_store.setOutputName(d, c.number, c.name, who);
        if (!result.ok()) {
            reply(storeFailure(result, 422));
            return;
        }
    }
    reply(jsonResponse(200, namesJson(m_store.names(d))));
}

void Api::setLock(int d, int output, const Json &body, const store::Actor &who, const Reply &reply) {
    if (!body.is_object() || !body.contains("locked") || !body["locked"].is_boolean()) {
        reply(errorResponse(400, "lock: expected {\"locked\": true or false}"));
        return;
    }
    if (body.contains("force") && !body["force"].is_boolean()) {
        reply(errorResponse(400, "lock: \"force\" is not true or false"));
        return;
    }
    const bool locked = body["locked"].get<bool>();
    const bool force = body.value("force", false);
    const store::OutputLock *current = m_store.ownerOf(d, output);
    const bool heldByPanel = current && LockOwner::parse(current->owner).kind == LockOwner::Kind::Panel;
    if (current && !heldByPanel && !force) {
        reply(errorResponse(409, lockedMessage(d, output) + "; send \"force\": true to take it back"));
        return;
    }
    store::StoreResult result;
    const std::string mine = LockOwner::panelOwner(who.name.empty() ? "panel" : who.name, who.address);
    if (locked) {
        if (heldByPanel) {
            reply(jsonResponse(200, lockJson(*current)));
            return;
        }
        result = m_store.lock(d, output, mine, who, current != nullptr);
    } else if (current) {
        result = current->owner == mine ? m_store.unlock(d, output, mine, who)
                                        : m_store.forceUnlock(d, output, who);
    }
    if (!result.ok()) {
        reply(storeFailure(result, 409));
        return;
    }
    reply(jsonResponse(200, lockJson(m_store.locks(d)[output - 1])));
}

void Api::activity(int d, const std::string &query, const Reply &reply) {
    std::optional<std::uint64_t> after;
    std::optional<std::size_t> limit;
    std::string_view rest = query;
    while (!rest.empty()) {
        const std::size_t amp = rest.find('&');
        const std::string_view pair = rest.substr(0, amp);
        rest = amp == std::string_view::npos ? std::string_view() : rest.substr(amp + 1);
        const std::size_t eq = pair.find('=');
        const std::string_view key = pair.substr(0, eq);
        const std::string value(eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1));
        if (key != "after" && key != "limit")
            continue;
        const std::optional<long long> number = pathNumber(value, 18);
        if (!number) {
            reply(errorResponse(400, "activity: \"" + std::string(key) + "\" is not a whole number"));
            return;
        }
        if (key == "after")
            after = static_cast<std::uint64_t>(*number);
        else
            limit = static_cast<std::size_t>(*number);
    }
    const auto &entries = m_store.activity(d);
    std::vector<const store::ActivityEntry *> chosen;
    for (const store::ActivityEntry &e : entries)
        if (!after || e.seq > *after)
            chosen.push_back(&e);
    const std::size_t from = limit && chosen.size() > *limit ? chosen.size() - *limit : 0;
    Json list = Json::array();
    for (std::size_t i = from; i < chosen.size(); ++i)
        list.push_back(activityJson(*chosen[i]));
    reply(jsonResponse(200, {{"entries", list}}));
}

} // namespace web
