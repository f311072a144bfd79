#pragma once

#include "tools/cli/command_line.h"

namespace kerbcall::cli {

// kerbcall-cli check FILE [--json] [--sounds DIR]: the notes as the program
// reads them, and warnings for their authors.
void AddCheckCommand(CommandLine& commandLine);

}  // namespace kerbcall::cli
