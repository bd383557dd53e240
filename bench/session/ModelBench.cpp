// What the device model adds to a reply's way through the session, with the line in memory: a routing
// reply received, decoded, applied to the model and heard by an observer, and the same with the JSON
// of the changed members made as korvexd sends it. The session alone is the baseline. The two replies
// alternate, so each one changes the model.
#include "session/DeviceModel.h"
#include "session/DeviceSession.h"
#include "session/DeviceStateJson.h"
#include "session/MemoryTransport.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

struct Observer : session::IDeviceModelObserver {
    void onDeviceChanged(std::uint8_t device, session::DeviceMembers changed) override {
        ++changes;
        if (json)
            text = session::jsonText(session::toJson(*model->state(device), changed));
    }
    session::DeviceModel *model = nullptr;
    bool json = false;
    long changes = 0;
    std::string text;
};

void routingReplies(benchmark::State &state, bool withModel, bool json) {
    session::DeviceSession session;
    session.setTransport(std::make_unique<session::MemoryTransport>());
    session.open();
    session::DeviceModel model;
    Observer observer;
    observer.model = &model;
    observer.json = json;
    if (withModel) {
        model.attach(session);
        model.addObserver(&observer);
    }
    const std::string lines[] = {"OUT3 VS IN5 \r\n", "OUT3 VS IN6 \r\n"};
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string &line = lines[i++ & 1];
        session.receive(reinterpret_cast<const std::uint8_t *>(line.data()), line.size());
    }
    if (withModel && observer.changes != static_cast<long>(state.iterations()))
        state.SkipWithError("a reply did not change the model");
    benchmark::DoNotOptimize(observer.text);
}

void BM_RoutingReplySessionOnly(benchmark::State &state) {
    routingReplies(state, false, false);
}
BENCHMARK(BM_RoutingReplySessionOnly);

void BM_RoutingReplyThroughModel(benchmark::State &state) {
    routingReplies(state, true, false);
}
BENCHMARK(BM_RoutingReplyThroughModel);

void BM_RoutingReplyThroughModelWithJson(benchmark::State &state) {
    routingReplies(state, true, true);
}
BENCHMARK(BM_RoutingReplyThroughModelWithJson);

} // namespace
