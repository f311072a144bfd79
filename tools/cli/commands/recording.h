#pragma once

#include <map>
#include <string>

namespace kerbcall::cli {

// The sound each key records.
using KeyMap = std::map<char, std::string>;

// Records notes from a drive into `out` (appended to when it exists) with
// the keys of the terminal on standard input. The exit status.
int RunRecording(const std::string& out, const KeyMap& keys);

}  // namespace kerbcall::cli
