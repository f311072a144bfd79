#pragma once

#include "tools/cli/command_line.h"

namespace kerbcall::cli {

// kerbcall-cli replay FILE [--json] < SAMPLES: distance samples, one a line,
// through the program's pass decision; which note fires at which pass.
void AddReplayCommand(CommandLine& commandLine);

}  // namespace kerbcall::cli
