#pragma once

#include <string>
#include <string_view>

namespace store {

constexpr int kMaxNameLength = 32; // code points

// Why the bytes are not well-formed UTF-8 (overlong forms, surrogates and values past U+10FFFF
// included), or empty when they are.
std::string utf8Problem(std::string_view bytes);

// The text with each ill-formed UTF-8 sequence replaced by U+FFFD, for text from clients that is
// kept but never checked (user names, addresses).
std::string validUtf8(std::string_view bytes);

// Why a name for an input, output or preset is refused, or empty when it is acceptable: UTF-8, at
// most 32 characters, no control characters. The empty name passes ("no name").
std::string checkName(std::string_view name);

} // namespace store
