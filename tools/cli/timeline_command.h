#pragma once

#include "tools/cli/command_line.h"

namespace kerbcall::cli {

// kerbcall-cli timeline FILE --sounds DIR (--speed V [--start D] | --lap LAP)
// -o OUT.svg: a picture of what a drive through the stage calls.
void AddTimelineCommand(CommandLine& commandLine);

}  // namespace kerbcall::cli
