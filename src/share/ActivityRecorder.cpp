#include "share/ActivityRecorder.h"

#include <iterator>
#include <string>
#include <vector>

namespace share {

namespace {

std::string sourceName(int input) {
    return input == 10 ? "MV" : "in" + std::to_string(input);
}

} // namespace

ActivityRecorder::ActivityRecorder(session::DeviceModel &model, const LineArbiter &arbiter,
                                   const ClientDirectory &clients, store::Store &store,
                                   const session::TimerFactory &timers, Log log)
    : m_model(model), m_arbiter(arbiter), m_clients(clients), m_store(store), m_log(std::move(log)),
      m_timer(timers([this] { write(); })) {
    m_model.addObserver(this);
}

ActivityRecorder::~ActivityRecorder() {
    m_model.removeObserver(this);
    write();
}

void ActivityRecorder::onDeviceChanged(std::uint8_t device, session::DeviceMembers changed) {
    using session::DeviceMember;
    const session::DeviceState *state = m_model.state(device);
    if (!state)
        return;
    Seen &seen = m_seen[device];
    std::vector<store::ActivityWhat> whats;
    if (changed.has(DeviceMember::Routing)) {
        for (int output = 1; output <= 9; ++output) {
            const std::optional<int> now = state->routing[static_cast<std::size_t>(output - 1)];
            std::optional<int> &before = seen.routing[static_cast<std::size_t>(output - 1)];
            if (before && now && *before != *now) {
                const int input = *now + 1;
                whats.push_back({"route",
                                 output,
                                 input,
                                 std::nullopt,
                                 {},
                                 "Out" + std::to_string(output) + " shows " + sourceName(input)});
            }
            before = now;
        }
    }
    if (changed.has(DeviceMember::MvMode)) {
        if (seen.mvMode && state->mvMode && *seen.mvMode != *state->mvMode)
            whats.push_back({"mv-mode", std::nullopt, std::nullopt, std::nullopt,
                             *state->mvMode == 0 ? "3x3" : "2x2",
                             std::string("Multiview ") + (*state->mvMode == 0 ? "3x3" : "2x2")});
        seen.mvMode = state->mvMode;
    }
    if (changed.has(DeviceMember::QvSources)) {
        const bool known = seen.qvSources[0].has_value();
        if (known && seen.qvSources != state->qvSources) {
            std::string text = "Quick view";
            for (std::size_t w = 0; w < 4; ++w)
                text += " " + (state->qvSources[w] ? sourceName(*state->qvSources[w] + 1) : std::string("-"));
            whats.push_back({"qv-sources", std::nullopt, std::nullopt, std::nullopt, {}, text});
        }
        seen.qvSources = state->qvSources;
    }
    if (whats.empty())
        return;
    // Credited now, to whoever is on the line now.
    store::Actor who = m_clients.who(m_arbiter.client());
    const auto now = std::chrono::steady_clock::now();
    if (m_pending.empty())
        m_pendingSince = now;
    m_pendingCount += whats.size();
    if (!m_pending.empty() && m_pending.back().device == device && m_pending.back().who == who)
        std::move(whats.begin(), whats.end(), std::back_inserter(m_pending.back().whats));
    else
        m_pending.push_back({device, std::move(who), std::move(whats)});
    if (m_pendingCount >= kMostPending || now - m_pendingSince >= kLongestWait)
        write();
    else
        m_timer->start(static_cast<int>(kWriteAfter.count()));
}

void ActivityRecorder::write() {
    m_timer->stop();
    std::vector<Pending> pending = std::move(m_pending);
    m_pending.clear();
    m_pendingCount = 0;
    for (Pending &changes : pending) {
        const store::StoreResult result =
            m_store.record(changes.device, changes.who, std::move(changes.whats));
        if (!result.ok())
            m_log("activity of device " + std::to_string(changes.device) + " not kept: " + result.message);
    }
}

} // namespace share
