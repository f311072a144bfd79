#pragma once

#include "tools/cli/command_line.h"

namespace kerbcall::cli {

// kerbcall-cli's commands, one file each in this folder; main adds each.

// check FILE [--json] [--sounds DIR [--speed V [--start D] | --lap LAP]]:
// the notes as the program reads them, warnings for their authors, the
// sounds' timing and what a drive through the stage calls.
void AddCheckCommand(CommandLine& commandLine);
// replay FILE [--json] < SAMPLES: distance samples, one a line, through the
// program's pass decision; which note fires at which pass.
void AddReplayCommand(CommandLine& commandLine);
// probe [--json]: one scan for the simulator with the program's own
// simulator link, then its build and a few distance samples.
void AddProbeCommand(CommandLine& commandLine);
// timeline FILE --sounds DIR (--speed V [--start D] | --lap LAP) -o OUT.svg:
// a picture of what a drive through the stage calls.
void AddTimelineCommand(CommandLine& commandLine);
// The author's bench: commands that write note files.
void AddEditCommand(CommandLine& commandLine);
void AddLeadCommand(CommandLine& commandLine);
void AddRecordCommand(CommandLine& commandLine);
// pack IN_DIR -o OUT_DIR [--force] [--json]: a voice pack made from a folder
// of recordings, one call a file.
void AddPackCommand(CommandLine& commandLine);

}  // namespace kerbcall::cli
