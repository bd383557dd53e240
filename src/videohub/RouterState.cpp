#include "videohub/RouterState.h"

namespace videohub {

namespace {

constexpr int kInputs = 10;
constexpr int kOutputs = 9;

std::string twoDigits(int value) {
    return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

} // namespace

RouterState korvexRouter(int address) {
    RouterState state;
    state.modelName = "Korvex 9x9 HDMI Matrix";
    state.friendlyName = "Korvex " + twoDigits(address);
    for (int i = 1; i < kInputs; ++i)
        state.inputLabels.push_back("in" + std::to_string(i));
    state.inputLabels.push_back("MV");
    for (int i = 1; i <= kOutputs; ++i)
        state.outputLabels.push_back("Out" + std::to_string(i));
    state.routing.resize(kOutputs);
    state.lockOwners.resize(kOutputs);
    return state;
}

char lockLetterFor(const std::optional<ClientId> &owner, ClientId viewer) {
    if (!owner)
        return 'U';
    return *owner == viewer ? 'O' : 'L';
}

} // namespace videohub
