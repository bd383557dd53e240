#pragma once

#include <string>

namespace korvexsim {

// A path as a message names it: a relative one with the folder it is taken in ("sim.log in
// /home/ann/rehearsal"), an absolute one as it is.
std::string pathInFolder(const std::string &path);

} // namespace korvexsim
