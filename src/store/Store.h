#pragma once

#include "store/ActivityEntry.h"
#include "store/DeviceNames.h"
#include "store/OutputLock.h"
#include "store/Preset.h"
#include "store/RoutingState.h"
#include "store/StateFolder.h"
#include "store/StoreChange.h"
#include "store/StoreResult.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace store {

// korvexd's own data per device address 0..99: the names of inputs and outputs, presets, output
// locks and the recent activity, kept in the state folder (layout in StoreFormat.h).
//
// Every change is written to its file before it is taken into memory, so what the store answers is
// what the disk holds; a change that cannot be written is refused with the reason. Changes are
// returned and passed to the observers after they are on disk. Reads are plain references to the
// memory, cheap enough for every request. Locks survive a restart like the rest: korvexd releases
// those of owners that do not come back. Used from korvexd's one loop thread; not thread-safe.
class Store {
public:
    using Clock = std::function<std::int64_t()>; // UTC milliseconds since 1970
    using Observer = std::function<void(const StoreChange &)>;

    // No file is touched before load(). The clock is the system's unless one is given.
    explicit Store(std::string folder, Clock clock = {});

    // Creates the folder when it is missing and reads every device's files. A file that cannot be
    // read or parsed is renamed aside and that part starts empty. Returns what the operator should
    // find in the log (empty when all was well).
    std::vector<std::string> load();

    const DeviceNames &names(int device) const;
    StoreResult setInputName(int device, int input, std::string_view name, const Actor &who);
    StoreResult setOutputName(int device, int output, std::string_view name, const Actor &who);

    const std::vector<Preset> &presets(int device) const; // in saving order
    const Preset *preset(int device, PresetId id) const;  // null when there is none
    // Saves the state under a new id; the PresetSaved change in the result carries it.
    StoreResult savePreset(int device, std::string_view name, const RoutingState &state, const Actor &who);
    StoreResult renamePreset(int device, PresetId id, std::string_view name, const Actor &who);
    StoreResult deletePreset(int device, PresetId id, const Actor &who);

    const DeviceLocks &locks(int device) const;
    const OutputLock *ownerOf(int device, int output) const; // null when the output is free
    // Refused while another owner holds the output, unless forced (the lock is then taken over).
    StoreResult lock(int device, int output, std::string_view owner, const Actor &who, bool force = false);
    // Refused when another owner holds the output.
    StoreResult unlock(int device, int output, std::string_view owner, const Actor &who);
    StoreResult forceUnlock(int device, int output, const Actor &who);
    // Every lock the owner holds, on every device: a client that left.
    StoreResult releaseOwner(std::string_view owner, const Actor &who);

    const std::deque<ActivityEntry> &activity(int device) const; // oldest first, at most 500
    // Changes made elsewhere (routing, multiview, a recall), in one write.
    StoreResult record(int device, const Actor &who, std::vector<ActivityWhat> changes);

    // From now on activity is taken into memory at once and written later: `schedule` is called when
    // an entry waits to be written and no write is due yet, and the owner then calls flushActivity()
    // a few seconds later and once more at shutdown. The whole activity file is rewritten on each
    // write, too slow (tens of milliseconds) for the path of every change. Names, presets and locks
    // are still written before they are taken.
    void deferActivity(std::function<void()> schedule);
    // Writes the activity that waits; what could not be written, for the log (it stays waiting).
    std::vector<std::string> flushActivity();
    bool activityWaiting() const { return !m_activityWaiting.empty(); }

    int addObserver(Observer observer);
    void removeObserver(int id);

private:
    struct Device {
        DeviceNames names;
        PresetList presets;
        DeviceLocks locks;
        std::deque<ActivityEntry> activity;
    };

    const Device &device(int address) const;
    StoreResult setName(int device, bool input, int number, std::string_view name, const Actor &who);
    template <class Part>
    StoreResult commit(int device, const char *file, Part &slot, Part next, std::vector<StoreChange> changes,
                       const Actor &who, std::vector<ActivityWhat> whats);
    std::string appendActivity(int device, const Actor &who, std::vector<ActivityWhat> whats,
                               std::vector<StoreChange> &changes);
    template <class Part, class Decode>
    void loadPart(int device, const char *file, const char *what, Part &slot, Decode decode,
                  std::vector<std::string> &messages);
    void notify(const std::vector<StoreChange> &changes);

    StateFolder m_folder;
    Clock m_clock;
    std::vector<Device> m_devices;
    std::vector<std::pair<int, Observer>> m_observers;
    int m_nextObserver = 1;
    std::function<void()> m_scheduleActivity; // set: activity is written later
    bool m_activityScheduled = false;
    std::vector<int> m_activityWaiting; // devices whose activity file is behind the memory
};

} // namespace store
