#pragma once

#include "sim/Device.h"

#include <string>
#include <vector>

namespace korvexsim {

// The JSON snapshot of every device on the line (layout documented in tests/support/SimProcess.h,
// where the tests read it), and its atomic write: a temporary file beside the target, renamed over it.
class StateJson {
public:
    struct Meta {
        long commands = 0; // commands handled so far
        bool hungUp = false;
    };

    static std::string render(const std::vector<Device> &devices, const Meta &meta);
    // Returns false, with errno saying why, when the file could not be written; the old snapshot is
    // then left as it was.
    static bool writeAtomically(const std::string &path, const std::string &content);
};

} // namespace korvexsim
