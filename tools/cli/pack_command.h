#pragma once

#include "tools/cli/command_line.h"

namespace kerbcall::cli {

// kerbcall-cli pack IN_DIR -o OUT_DIR [--force] [--json]: a voice pack made
// from a folder of recordings, one call a file.
void AddPackCommand(CommandLine& commandLine);

}  // namespace kerbcall::cli
