#pragma once

#include <algorithm>
#include <string_view>

namespace kerbcall::platform {

// Executable, file and alias names are compared as Windows compares them:
// letters A to Z without regard to case, every other byte as it is.
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

}  // namespace kerbcall::platform
