#pragma once

#include "store/ActivityEntry.h"
#include "store/DeviceNames.h"
#include "store/OutputLock.h"
#include "store/Preset.h"

#include <deque>
#include <stdexcept>
#include <string>

// The files in korvexd's state folder, four per device address NN (00..99), each a JSON object whose
// "version" is 1; korvexd refuses (and sets aside) any other version rather than guess at it.
//
//   names-NN.json     {"version":1, "inputs":[10 strings], "outputs":[9 strings]}
//                     inputs 1..9 then the multiview picture; "" = no name
//   presets-NN.json   {"version":1, "nextId":5, "presets":[{"id":1, "name":"Lecture",
//                      "outputs":[9 x input 1..10 or null], "mvMode":"3x3"|"2x2"|null,
//                      "quickView":[4 x input 1..9]|null}, ...]}     at most 64, in saving order
//   locks-NN.json     {"version":1, "locks":[{"output":3, "owner":"panel", "since":<ms>}, ...]}
//   activity-NN.json  {"version":1, "entries":[{"seq":17, "time":<ms>,
//                      "who":{"kind":"panel"|"router"|"protocol"|"device", "name":"", "address":""},
//                      "what":{"kind":"route", "output":3, "input":5, "preset":2, "value":"",
//                      "text":"..."}}, ...]}   oldest first, one entry a line; what's output, input,
//                      preset and value are left out when absent
//
// Times are UTC milliseconds since 1970. A file that breaks any of these rules is refused whole.
namespace store {

class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string encodeNames(const DeviceNames &names);
std::string encodePresets(const PresetList &presets);
std::string encodeLocks(const DeviceLocks &locks);
std::string encodeActivity(const std::deque<ActivityEntry> &entries);

// Each throws FormatError saying where the text breaks the layout.
DeviceNames decodeNames(const std::string &text);
PresetList decodePresets(const std::string &text);
DeviceLocks decodeLocks(const std::string &text);
std::deque<ActivityEntry> decodeActivity(const std::string &text);

} // namespace store
