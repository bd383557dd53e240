#pragma once

#include "session/DeviceModel.h"
#include "share/ClientDirectory.h"
#include "store/Store.h"

#include <array>
#include <functional>
#include <optional>

namespace share {

// Writes what the devices report changing (routing, the multiview mode, the quick-view sources) into
// the store's activity, credited to the client whose unit was on the line when the answer came (the
// device itself when it was korvexd's own status request). What becomes known for the first time, as
// at start, is not a change.
class ActivityRecorder : private session::IDeviceModelObserver {
public:
    using Log = std::function<void(const std::string &message)>;

    ActivityRecorder(session::DeviceModel &model, const LineArbiter &arbiter, const ClientDirectory &clients,
                     store::Store &store, Log log);
    ~ActivityRecorder() override;
    ActivityRecorder(const ActivityRecorder &) = delete;
    ActivityRecorder &operator=(const ActivityRecorder &) = delete;

private:
    struct Seen {
        std::array<std::optional<int>, 9> routing;
        std::optional<int> mvMode;
        std::array<std::optional<int>, 4> qvSources;
    };

    void onDeviceChanged(std::uint8_t device, session::DeviceMembers changed) override;
    void onDeviceCleared(std::uint8_t device) override { m_seen[device] = Seen{}; }

    session::DeviceModel &m_model;
    const LineArbiter &m_arbiter;
    const ClientDirectory &m_clients;
    store::Store &m_store;
    Log m_log;
    std::array<Seen, 100> m_seen{};
};

} // namespace share
