#pragma once

#include <map>
#include <string>
#include <string_view>
#include <variant>

namespace kerbcall::cli {

// The sound each key records.
using KeyMap = std::map<char, std::string>;

// 1-6 left1-left6, q w e r t y right1-right6 and the shipped pack's other
// calls under their first letters (i tightens, p opens, l long, j jump).
KeyMap DefaultKeyMap();

// Lines "KEY,SOUND": one printable character, a comma and a sound file name
// without "," or ";". Empty lines are skipped; lines end in LF, CR LF or CR.
// An error names the line.
std::variant<KeyMap, std::string> ParseKeyMap(std::string_view text);

}  // namespace kerbcall::cli
