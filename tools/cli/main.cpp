// kerbcall-cli: checks note files, replays distance samples and drives a
// stage through the same reading and the same pass decision as the program;
// edits, leads and records note files for their authors; makes voice packs.
#include <exception>
#include <iostream>

#include "tools/cli/commands/commands.h"

int main(int argc, char** argv) {
    using namespace kerbcall::cli;
    // Out of memory on a huge input, for one: said, not a crash.
    try {
        CommandLine commandLine;
        AddCheckCommand(commandLine);
        AddReplayCommand(commandLine);
        AddProbeCommand(commandLine);
        AddTimelineCommand(commandLine);
        AddEditCommand(commandLine);
        AddLeadCommand(commandLine);
        AddRecordCommand(commandLine);
        AddPackCommand(commandLine);
        return commandLine.Run(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "kerbcall-cli: " << error.what() << '\n';
        return kExitRejected;
    }
}
