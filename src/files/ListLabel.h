#pragma once

#include <string>

namespace files {

// The numbered label of an entry in the console's lists: "No. 1:" to "No. 9:", then "No.10:" on.
std::string listLabel(int n);

// A number as at least two decimal digits, as the console files and lists show addresses and codes.
std::string twoDigits(unsigned value);

} // namespace files
