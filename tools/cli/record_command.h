#pragma once

#include <string>

#include "tools/cli/record_keys.h"

namespace kerbcall::cli {

// Records notes from a drive into `out` (appended to when it exists) with
// the keys of the terminal on standard input. The exit status.
int RunRecording(const std::string& out, const KeyMap& keys);

}  // namespace kerbcall::cli
