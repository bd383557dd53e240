#include "store/DeviceNames.h"

namespace store {

std::string defaultInputLabel(int input) {
    return input == kMultiviewInput ? "MV" : "in" + std::to_string(input);
}

std::string defaultOutputLabel(int output) {
    return "Out" + std::to_string(output);
}

} // namespace store
