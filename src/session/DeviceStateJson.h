#pragma once

#include "session/DeviceMembers.h"
#include "session/DeviceState.h"

#include <nlohmann/json.hpp>

#include <string>

// A device state as JSON: what korvex-ctl's "status --json" prints and korvexd sends. The keys and
// values are those of the device objects of korvex-sim's --state file, in that order: routing and
// the other lists 0-based as DeviceState holds them, the LAN settings in "lan", the TCP port a number
// when it is one (else the text the device sent). Device texts are one byte per character (Latin-1).
namespace session {

// Every member that is known: a member never reported is absent, an unknown entry of a list is null.
nlohmann::ordered_json toJson(const DeviceState &state);
// Only the given members (what a change touched), each present even when it became unknown: then it
// is null, a list has null entries and "lan" null values.
nlohmann::ordered_json toJson(const DeviceState &state, DeviceMembers members);
// The LAN settings alone, as in "lan": the keys that are known.
nlohmann::ordered_json lanJson(const DeviceState &state);

// The JSON as one line of ASCII text, every other character escaped.
std::string jsonText(const nlohmann::ordered_json &json);

} // namespace session
