#include "files/ListLabel.h"

#include <cstdio>

namespace files {

std::string listLabel(int n) {
    char text[24];
    std::snprintf(text, sizeof text, "No.%2d:", n);
    return text;
}

std::string twoDigits(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u", value);
    return text;
}

} // namespace files
