#include <iostream>

#include "tools/cli/command_line.h"
#include "tools/cli/commands/recording.h"

namespace kerbcall::cli {

// Keys are read from a POSIX terminal; this build has none.
int RunRecording(const RecordingPlan& /*plan*/) {
    std::cerr << "kerbcall-cli record: not available in this build; record on Linux, where the simulator runs under "
                 "Wine or Proton\n";
    return kExitUsage;
}

}  // namespace kerbcall::cli
