#pragma once

#include "session/DeviceModel.h"
#include "session/Timer.h"
#include "share/ClientDirectory.h"
#include "store/Store.h"

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace share {

// Writes what the devices report changing (routing, the multiview mode, the quick-view sources) into
// the store's activity, credited to the client whose unit was on the line when the answer came (the
// device itself when it was korvexd's own status request). What becomes known for the first time, as
// at start, is not a change.
//
// Each write costs a file write and an fsync on the loop's thread, and device lines that arrive
// meanwhile wait for it: changes are written together once none has come for kWriteAfter (the lines of
// one answer, a burst at a front panel), and at the latest after kLongestWait or kMostPending changes.
class ActivityRecorder : private session::IDeviceModelObserver {
public:
    using Log = std::function<void(const std::string &message)>;
    static constexpr std::chrono::milliseconds kWriteAfter{100};
    static constexpr std::chrono::milliseconds kLongestWait{1000};
    static constexpr std::size_t kMostPending = 64;

    ActivityRecorder(session::DeviceModel &model, const LineArbiter &arbiter, const ClientDirectory &clients,
                     store::Store &store, const session::TimerFactory &timers, Log log);
    ~ActivityRecorder() override;
    ActivityRecorder(const ActivityRecorder &) = delete;
    ActivityRecorder &operator=(const ActivityRecorder &) = delete;

private:
    struct Seen {
        std::array<std::optional<int>, 9> routing;
        std::optional<int> mvMode;
        std::array<std::optional<int>, 4> qvSources;
    };

    // Changes of one device credited to one client, not written yet.
    struct Pending {
        std::uint8_t device = 0;
        store::Actor who;
        std::vector<store::ActivityWhat> whats;
    };

    void onDeviceChanged(std::uint8_t device, session::DeviceMembers changed) override;
    void onDeviceCleared(std::uint8_t device) override { m_seen[device] = Seen{}; }
    void write();

    session::DeviceModel &m_model;
    const LineArbiter &m_arbiter;
    const ClientDirectory &m_clients;
    store::Store &m_store;
    Log m_log;
    std::unique_ptr<session::ITimer> m_timer;
    std::array<Seen, 100> m_seen{};
    std::vector<Pending> m_pending;
    std::size_t m_pendingCount = 0;
    std::chrono::steady_clock::time_point m_pendingSince{};
};

} // namespace share
