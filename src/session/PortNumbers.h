#pragma once

namespace session {

// The console's serial ports are numbered COM1..COM99, on every system.
inline constexpr unsigned kFirstPort = 1;
inline constexpr unsigned kLastPort = 99;

} // namespace session
