#pragma once

#include "session/DeviceState.h"
#include "session/LineController.h"
#include "store/Store.h"
#include "web/HttpMessage.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

// korvexd's data as the JSON API and the events socket give it (docs/api.md): inputs and outputs
// 1-based everywhere but in the device state, which is exactly korvex-ctl's status JSON.
namespace web {

using Json = nlohmann::ordered_json;

// "2026-12-09T09:14:03.250Z" for UTC milliseconds since 1970.
std::string isoTime(std::int64_t ms);
// "08:58", this machine's local time, for messages people read.
std::string clockTime(std::int64_t ms);
// "01".."99".
std::string deviceId(int device);

// "Lectern PC (in7)", or "in7" without a name; the same for outputs ("Left projector (Out1)").
std::string inputText(const store::DeviceNames &names, int input);
std::string outputText(const store::DeviceNames &names, int output);

Json actorJson(const store::Actor &who);
Json lockJson(const std::optional<store::OutputLock> &lock);
Json locksJson(const store::DeviceLocks &locks);
Json namesJson(const store::DeviceNames &names);
Json presetJson(const store::Preset &preset);
// Ordered by name.
Json presetsJson(const std::vector<store::Preset> &presets);
Json activityJson(const store::ActivityEntry &entry);
Json lineJson(const session::LineStatus &status, const std::string &name);
// The device state (null: nothing known yet) with the device's names and locks.
Json deviceJson(int device, const session::DeviceState *state, const store::Store &store);

// The JSON as text; bytes that are not UTF-8 (a device path, a system message) become U+FFFD.
std::string dumpJson(const Json &json);

// An answer with a JSON body; an error's body is {"error": message}.
HttpResponse jsonResponse(int status, const Json &body);
HttpResponse errorResponse(int status, const std::string &message);

// The routing, multiview mode and quick-view sources the model holds, 1-based, as a preset keeps them.
store::RoutingState routingStateOf(const session::DeviceState *state);

} // namespace web
