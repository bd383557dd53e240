#include "share/ActivityRecorder.h"

#include <string>
#include <vector>

namespace share {

namespace {

std::string sourceName(int input) {
    return input == 10 ? "MV" : "in" + std::to_string(input);
}

} // namespace

ActivityRecorder::ActivityRecorder(session::DeviceModel &model, const LineArbiter &arbiter,
                                   const ClientDirectory &clients, store::Store &store, Log log)
    : m_model(model), m_arbiter(arbiter), m_clients(clients), m_store(store), m_log(std::move(log)) {
    m_model.addObserver(this);
}

ActivityRecorder::~ActivityRecorder() {
    m_model.removeObserver(this);
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
    const store::StoreResult result =
        m_store.record(device, m_clients.who(m_arbiter.lineClient()), std::move(whats));
    if (!result.ok())
        m_log("activity of device " + std::to_string(device) + " not kept: " + result.message);
}

} // namespace share
