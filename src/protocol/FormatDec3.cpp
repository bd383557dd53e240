#include "protocol/FormatDec3.h"

namespace protocol {

std::string FormatDec3(std::uint8_t value) {
    std::string out(3, '0');
    out[0] = static_cast<char>('0' + value / 100);
    out[1] = static_cast<char>('0' + (value / 10) % 10);
    out[2] = static_cast<char>('0' + value % 10);
    return out;
}

} // namespace protocol
