#pragma once

#include "tools/cli/command_line.h"

namespace kerbcall::cli {

// kerbcall-cli check FILE [--json] [--sounds DIR [--speed V [--start D] |
// --lap LAP]]: the notes as the program reads them, warnings for their
// authors, the sounds' timing and what a drive through the stage calls.
void AddCheckCommand(CommandLine& commandLine);

}  // namespace kerbcall::cli
