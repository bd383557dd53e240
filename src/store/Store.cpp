#include "store/Store.h"

#include "store/NameCheck.h"
#include "store/StoreFormat.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace store {

namespace {

constexpr const char *kNames = "names";
constexpr const char *kPresets = "presets";
constexpr const char *kLocks = "locks";
constexpr const char *kActivity = "activity";

std::string fileName(const char *part, int device) {
    char name[32];
    std::snprintf(name, sizeof name, "%s-%02d.json", part, device);
    return name;
}

std::string encode(const DeviceNames &names) {
    return encodeNames(names);
}
std::string encode(const PresetList &presets) {
    return encodePresets(presets);
}
std::string encode(const DeviceLocks &locks) {
    return encodeLocks(locks);
}

StoreResult withStatus(StoreStatus status, std::string message = {}) {
    StoreResult result;
    result.status = status;
    result.message = std::move(message);
    return result;
}

std::string checkDevice(int device) {
    if (device < 0 || device >= kDeviceCount)
        return "Device address " + std::to_string(device) + " is not in 0..99.";
    return {};
}

std::string checkNumber(const char *what, int number, int last) {
    if (number < 1 || number > last)
        return std::string(what) + " " + std::to_string(number) + " is not in 1.." + std::to_string(last) +
               ".";
    return {};
}

// The first of the problems, or empty.
std::string firstProblem(std::initializer_list<std::string> problems) {
    for (const std::string &p : problems)
        if (!p.empty())
            return p;
    return {};
}

std::string checkOwner(std::string_view owner) {
    if (owner.empty())
        return "A lock needs an owner.";
    if (const std::string problem = utf8Problem(owner); !problem.empty())
        return "The lock owner is " + problem + ".";
    return {};
}

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

std::string inputLabel(int input) {
    return input == kMultiviewInput ? "The multiview picture" : "Input " + std::to_string(input);
}

std::string outputLabel(int output) {
    return "Output " + std::to_string(output);
}

ActivityWhat presetWhat(const char *kind, const Preset &preset, std::string text) {
    ActivityWhat what;
    what.kind = kind;
    what.preset = preset.id;
    what.value = preset.name;
    what.text = std::move(text);
    return what;
}

ActivityWhat lockWhat(const char *kind, int output, const std::string &owner, std::string text) {
    ActivityWhat what;
    what.kind = kind;
    what.output = output;
    what.value = owner;
    what.text = std::move(text);
    return what;
}

StoreChange lockChange(int device, int output) {
    return {StoreChange::Kind::Lock, device, output};
}

// Why the state cannot be saved as a preset, or empty.
std::string checkState(const RoutingState &state) {
    for (int o = 0; o < kOutputCount; ++o)
        if (state.outputs[o] && (*state.outputs[o] < 1 || *state.outputs[o] > kInputCount))
            return outputLabel(o + 1) + "'s input " + std::to_string(*state.outputs[o]) + " is not in 1..10.";
    for (int w = 0; w < kQuickViewCount; ++w)
        if (state.quickView[w] && (*state.quickView[w] < 1 || *state.quickView[w] > kLastVideoInput))
            return "Quick-view window " + std::to_string(w + 1) + "'s input " +
                   std::to_string(*state.quickView[w]) + " is not in 1..9.";
    return {};
}

} // namespace

Store::Store(std::string folder, Clock clock)
    : m_folder(std::move(folder)), m_clock(std::move(clock)), m_devices(kDeviceCount) {
    if (!m_clock) {
        m_clock = [] {
            using namespace std::chrono;
            return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
        };
    }
}

std::vector<std::string> Store::load() {
    std::vector<std::string> messages;
    m_devices.assign(kDeviceCount, Device{});
    if (std::string problem = m_folder.prepare(); !problem.empty()) {
        messages.push_back(std::move(problem));
        return messages;
    }
    for (int d = 0; d < kDeviceCount; ++d) {
        Device &dev = m_devices[d];
        loadPart(d, kNames, "names", dev.names, decodeNames, messages);
        loadPart(d, kPresets, "presets", dev.presets, decodePresets, messages);
        loadPart(d, kLocks, "locks", dev.locks, decodeLocks, messages);
        loadPart(d, kActivity, "activity", dev.activity, decodeActivity, messages);
    }
    return messages;
}

template <class Part, class Decode>
void Store::loadPart(int device, const char *file, const char *what, Part &slot, Decode decode,
                     std::vector<std::string> &messages) {
    const std::string name = fileName(file, device);
    const StateFolder::ReadResult read = m_folder.read(name);
    if (read.status == StateFolder::ReadResult::Status::Missing)
        return;
    std::string why = read.error;
    if (read.status == StateFolder::ReadResult::Status::Read) {
        try {
            slot = decode(read.bytes);
            return;
        } catch (const FormatError &e) {
            why = e.what();
        }
    }
    std::string error;
    const std::string aside = m_folder.moveAside(name, m_clock(), error);
    const std::string start = name + " in " + m_folder.path() + " cannot be used (" + why + ")";
    const std::string after = "device " + std::to_string(device) + "'s " + what + " start empty";
    messages.push_back(aside.empty() ? start + " nor moved aside (" + error + "); " + after +
                                           " and its next change replaces it."
                                     : start + "; it was moved aside as " + aside + " and " + after + ".");
}

const Store::Device &Store::device(int address) const {
    static const Device none;
    return address >= 0 && address < kDeviceCount ? m_devices[address] : none;
}

const DeviceNames &Store::names(int d) const {
    return device(d).names;
}

const std::vector<Preset> &Store::presets(int d) const {
    return device(d).presets.presets;
}

const Preset *Store::preset(int d, PresetId id) const {
    const std::vector<Preset> &list = presets(d);
    const auto it = std::find_if(list.begin(), list.end(), [id](const Preset &p) { return p.id == id; });
    return it == list.end() ? nullptr : &*it;
}

const DeviceLocks &Store::locks(int d) const {
    return device(d).locks;
}

const OutputLock *Store::ownerOf(int d, int output) const {
    if (output < 1 || output > kOutputCount)
        return nullptr;
    const std::optional<OutputLock> &lock = locks(d)[output - 1];
    return lock ? &*lock : nullptr;
}

const std::deque<ActivityEntry> &Store::activity(int d) const {
    return device(d).activity;
}

template <class Part>
StoreResult Store::commit(int d, const char *file, Part &slot, Part next, std::vector<StoreChange> changes,
                          const Actor &who, std::vector<ActivityWhat> whats) {
    if (std::string error = m_folder.write(fileName(file, d), encode(next)); !error.empty())
        return withStatus(StoreStatus::WriteFailed, std::move(error));
    slot = std::move(next);
    StoreResult result;
    result.changes = std::move(changes);
    result.activityFailure = appendActivity(d, who, std::move(whats), result.changes);
    notify(result.changes);
    return result;
}

std::string Store::appendActivity(int d, const Actor &who, std::vector<ActivityWhat> whats,
                                  std::vector<StoreChange> &changes) {
    std::deque<ActivityEntry> &activity = m_devices[d].activity;
    std::deque<ActivityEntry> next = activity;
    std::uint64_t seq = activity.empty() ? 1 : activity.back().seq + 1;
    const std::int64_t now = m_clock();
    // Clients' text is kept as valid UTF-8, so that memory and file say the same.
    const Actor cleanWho{who.kind, validUtf8(who.name), validUtf8(who.address)};
    std::vector<StoreChange> added;
    for (ActivityWhat &what : whats) {
        what.kind = validUtf8(what.kind);
        what.value = validUtf8(what.value);
        what.text = validUtf8(what.text);
        next.push_back({seq, now, cleanWho, std::move(what)});
        added.push_back({StoreChange::Kind::Activity, d, 0, 0, seq});
        ++seq;
        if (next.size() > kActivityLimit)
            next.pop_front();
    }
    if (m_scheduleActivity) {
        activity = std::move(next);
        changes.insert(changes.end(), added.begin(), added.end());
        if (std::find(m_activityWaiting.begin(), m_activityWaiting.end(), d) == m_activityWaiting.end())
            m_activityWaiting.push_back(d);
        if (!m_activityScheduled) {
            m_activityScheduled = true;
            m_scheduleActivity();
        }
        return {};
    }
    if (std::string error = m_folder.write(fileName(kActivity, d), encodeActivity(next)); !error.empty())
        return error;
    activity = std::move(next);
    changes.insert(changes.end(), added.begin(), added.end());
    return {};
}

void Store::deferActivity(std::function<void()> schedule) {
    m_scheduleActivity = std::move(schedule);
}

std::vector<std::string> Store::flushActivity() {
    m_activityScheduled = false;
    std::vector<std::string> problems;
    std::vector<int> still;
    for (int d : m_activityWaiting) {
        if (std::string error = m_folder.write(fileName(kActivity, d), encodeActivity(m_devices[d].activity));
            !error.empty()) {
            problems.push_back("device " + std::to_string(d) + "'s activity not written: " + error);
            still.push_back(d);
        }
    }
    m_activityWaiting = std::move(still);
    // What failed is tried again with the next write.
    if (!m_activityWaiting.empty() && m_scheduleActivity) {
        m_activityScheduled = true;
        m_scheduleActivity();
    }
    return problems;
}

void Store::notify(const std::vector<StoreChange> &changes) {
    // A copy: an observer may add or remove observers.
    const std::vector<std::pair<int, Observer>> observers = m_observers;
    for (const StoreChange &change : changes)
        for (const auto &[id, observer] : observers)
            observer(change);
}

int Store::addObserver(Observer observer) {
    m_observers.emplace_back(m_nextObserver, std::move(observer));
    return m_nextObserver++;
}

void Store::removeObserver(int id) {
    std::erase_if(m_observers, [id](const auto &entry) { return entry.first == id; });
}

StoreResult Store::setInputName(int d, int input, std::string_view name, const Actor &who) {
    return setName(d, true, input, name, who);
}

StoreResult Store::setOutputName(int d, int output, std::string_view name, const Actor &who) {
    return setName(d, false, output, name, who);
}

StoreResult Store::setName(int d, bool input, int number, std::string_view name, const Actor &who) {
    if (std::string problem =
            firstProblem({checkDevice(d),
                          checkNumber(input ? "Input" : "Output", number, input ? kInputCount : kOutputCount),
                          checkName(name)});
        !problem.empty())
        return withStatus(StoreStatus::Refused, std::move(problem));
    DeviceNames next = m_devices[d].names;
    std::string &slot = input ? next.inputs[number - 1] : next.outputs[number - 1];
    if (slot == name)
        return withStatus(StoreStatus::Unchanged);
    slot = name;
    ActivityWhat what;
    what.kind = input ? "input-name" : "output-name";
    (input ? what.input : what.output) = number;
    what.value = std::string(name);
    const std::string label = input ? inputLabel(number) : outputLabel(number);
    what.text = name.empty() ? label + ": name removed" : label + " named " + quoted(name);
    const StoreChange change{input ? StoreChange::Kind::InputName : StoreChange::Kind::OutputName, d, number};
    return commit(d, kNames, m_devices[d].names, std::move(next), {change}, who, {std::move(what)});
}

StoreResult Store::savePreset(int d, std::string_view name, const RoutingState &state, const Actor &who) {
    if (std::string problem = firstProblem({checkDevice(d), checkName(name), checkState(state)});
        !problem.empty())
        return withStatus(StoreStatus::Refused, std::move(problem));
    if (name.empty())
        return withStatus(StoreStatus::Refused, "A preset needs a name.");
    const PresetList &list = m_devices[d].presets;
    for (const Preset &p : list.presets)
        if (p.name == name)
            return withStatus(StoreStatus::Refused, "A preset named " + quoted(name) + " already exists.");
    if (list.presets.size() >= static_cast<std::size_t>(kMaxPresets))
        return withStatus(StoreStatus::Refused, "Device " + std::to_string(d) + " already has " +
                                                    std::to_string(kMaxPresets) +
                                                    " presets; delete one to save another.");
    if (list.nextId > 0xFFFFFFFF)
        return withStatus(StoreStatus::Refused, "Device " + std::to_string(d) + " has no preset ids left.");
    Preset preset;
    preset.id = static_cast<PresetId>(list.nextId);
    preset.name = std::string(name);
    preset.outputs = state.outputs;
    preset.mvMode = state.mvMode;
    if (std::all_of(state.quickView.begin(), state.quickView.end(),
                    [](const auto &s) { return s.has_value(); }))
        preset.quickView = std::array<int, kQuickViewCount>{*state.quickView[0], *state.quickView[1],
                                                            *state.quickView[2], *state.quickView[3]};
    PresetList next = list;
    next.presets.push_back(preset);
    next.nextId = list.nextId + 1;
    return commit(d, kPresets, m_devices[d].presets, std::move(next),
                  {{StoreChange::Kind::PresetSaved, d, 0, preset.id}}, who,
                  {presetWhat("preset-save", preset, "Preset " + quoted(name) + " saved")});
}

StoreResult Store::renamePreset(int d, PresetId id, std::string_view name, const Actor &who) {
    if (std::string problem = firstProblem({checkDevice(d), checkName(name)}); !problem.empty())
        return withStatus(StoreStatus::Refused, std::move(problem));
    if (name.empty())
        return withStatus(StoreStatus::Refused, "A preset needs a name.");
    const Preset *current = preset(d, id);
    if (!current)
        return withStatus(StoreStatus::Refused,
                          "Device " + std::to_string(d) + " has no preset " + std::to_string(id) + ".");
    if (current->name == name)
        return withStatus(StoreStatus::Unchanged);
    if (std::any_of(presets(d).begin(), presets(d).end(), [&](const Preset &p) { return p.name == name; }))
        return withStatus(StoreStatus::Refused, "A preset named " + quoted(name) + " already exists.");
    PresetList next = m_devices[d].presets;
    Preset &renamed =
        *std::find_if(next.presets.begin(), next.presets.end(), [id](auto &p) { return p.id == id; });
    const std::string text = "Preset " + quoted(renamed.name) + " renamed to " + quoted(name);
    renamed.name = std::string(name);
    const ActivityWhat what = presetWhat("preset-rename", renamed, text);
    return commit(d, kPresets, m_devices[d].presets, std::move(next),
                  {{StoreChange::Kind::PresetRenamed, d, 0, id}}, who, {what});
}

StoreResult Store::deletePreset(int d, PresetId id, const Actor &who) {
    if (std::string problem = checkDevice(d); !problem.empty())
        return withStatus(StoreStatus::Refused, std::move(problem));
    const Preset *current = preset(d, id);
    if (!current)
        return withStatus(StoreStatus::Refused,
                          "Device " + std::to_string(d) + " has no preset " + std::to_string(id) + ".");
    const ActivityWhat what =
        presetWhat("preset-delete", *current, "Preset " + quoted(current->name) + " deleted");
    PresetList next = m_devices[d].presets;
    std::erase_if(next.presets, [id](const Preset &p) { return p.id == id; });
    return commit(d, kPresets, m_devices[d].presets, std::move(next),
                  {{StoreChange::Kind::PresetDeleted, d, 0, id}}, who, {what});
}

StoreResult Store::lock(int d, int output, std::string_view owner, const Actor &who, bool force) {
    if (std::string problem =
            firstProblem({checkDevice(d), checkNumber("Output", output, kOutputCount), checkOwner(owner)});
        !problem.empty())
        return withStatus(StoreStatus::Refused, std::move(problem));
    const std::optional<OutputLock> &current = m_devices[d].locks[output - 1];
    if (current && current->owner == owner)
        return withStatus(StoreStatus::Unchanged);
    if (current && !force)
        return withStatus(StoreStatus::Refused,
                          outputLabel(output) + " is locked by " + current->owner + ".");
    std::string text = outputLabel(output) + " locked by " + std::string(owner);
    if (current)
        text += ", taken over from " + current->owner;
    DeviceLocks next = m_devices[d].locks;
    next[output - 1] = OutputLock{std::string(owner), m_clock()};
    return commit(d, kLocks, m_devices[d].locks, std::move(next), {lockChange(d, output)}, who,
                  {lockWhat("lock", output, std::string(owner), text)});
}

StoreResult Store::unlock(int d, int output, std::string_view owner, const Actor &who) {
    if (std::string problem =
            firstProblem({checkDevice(d), checkNumber("Output", output, kOutputCount), checkOwner(owner)});
        !problem.empty())
        return withStatus(StoreStatus::Refused, std::move(problem));
    const std::optional<OutputLock> &current = m_devices[d].locks[output - 1];
    if (!current)
        return withStatus(StoreStatus::Unchanged);
    if (current->owner != owner)
        return withStatus(StoreStatus::Refused,
                          outputLabel(output) + " is locked by " + current->owner + ".");
    DeviceLocks next = m_devices[d].locks;
    next[output - 1].reset();
    return commit(
        d, kLocks, m_devices[d].locks, std::move(next), {lockChange(d, output)}, who,
        {lockWhat("unlock", output, current->owner, outputLabel(output) + " unlocked by " + current->owner)});
}

StoreResult Store::forceUnlock(int d, int output, const Actor &who) {
    if (std::string problem = firstProblem({checkDevice(d), checkNumber("Output", output, kOutputCount)});
        !problem.empty())
        return withStatus(StoreStatus::Refused, std::move(problem));
    const std::optional<OutputLock> &current = m_devices[d].locks[output - 1];
    if (!current)
        return withStatus(StoreStatus::Unchanged);
    const ActivityWhat what = lockWhat("unlock", output, current->owner,
                                       outputLabel(output) + " unlocked, taken from " + current->owner);
    DeviceLocks next = m_devices[d].locks;
    next[output - 1].reset();
    return commit(d, kLocks, m_devices[d].locks, std::move(next), {lockChange(d, output)}, who, {what});
}

StoreResult Store::releaseOwner(std::string_view owner, const Actor &who) {
    if (std::string problem = checkOwner(owner); !problem.empty())
        return withStatus(StoreStatus::Refused, std::move(problem));
    StoreResult all = withStatus(StoreStatus::Unchanged);
    for (int d = 0; d < kDeviceCount; ++d) {
        DeviceLocks next = m_devices[d].locks;
        std::vector<StoreChange> changes;
        std::vector<ActivityWhat> whats;
        for (int o = 0; o < kOutputCount; ++o) {
            if (next[o] && next[o]->owner == owner) {
                next[o].reset();
                changes.push_back(lockChange(d, o + 1));
                whats.push_back(lockWhat("unlock", o + 1, std::string(owner),
                                         outputLabel(o + 1) + " unlocked: " + std::string(owner) +
                                             " released its locks"));
            }
        }
        if (changes.empty())
            continue;
        StoreResult one =
            commit(d, kLocks, m_devices[d].locks, std::move(next), std::move(changes), who, std::move(whats));
        // A device whose file cannot be written keeps its locks; the others are still released.
        if (one.status == StoreStatus::WriteFailed) {
            all.status = StoreStatus::WriteFailed;
            all.message += (all.message.empty() ? "" : " ") + one.message;
            continue;
        }
        if (all.status == StoreStatus::Unchanged)
            all.status = StoreStatus::Done;
        if (!one.activityFailure.empty())
            all.activityFailure += (all.activityFailure.empty() ? "" : " ") + one.activityFailure;
        all.changes.insert(all.changes.end(), one.changes.begin(), one.changes.end());
    }
    return all;
}

StoreResult Store::record(int d, const Actor &who, std::vector<ActivityWhat> changes) {
    if (std::string problem = checkDevice(d); !problem.empty())
        return withStatus(StoreStatus::Refused, std::move(problem));
    if (changes.empty())
        return withStatus(StoreStatus::Unchanged);
    StoreResult result;
    if (std::string error = appendActivity(d, who, std::move(changes), result.changes); !error.empty())
        return withStatus(StoreStatus::WriteFailed, std::move(error));
    notify(result.changes);
    return result;
}

} // namespace store
