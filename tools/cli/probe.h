#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "platform/process_list.h"
#include "platform/process_memory.h"
#include "tools/cli/command_line.h"

namespace kerbcall::cli {

// What the probe needs of the platform it runs on.
struct ProbePlatform {
    std::unique_ptr<platform::ProcessList> processes;
    std::unique_ptr<platform::ProcessMemory> memory;
    // Why the memory of a process cannot be read, in one sentence.
    std::function<std::string(std::uint32_t)> readAccessProblem;
};

// The platform's services; `processes` is null where the probe has none.
// Each platform has its own definition of this one function.
ProbePlatform MakeProbePlatform();

// kerbcall-cli probe [--json]: one scan for the simulator with the program's
// own simulator link, then its build and a few distance samples over half a
// second. Exit 0 when found and readable, 1 otherwise.
void AddProbeCommand(CommandLine& commandLine);

// The probe over the given platform, written to `out`.
int RunProbe(ProbePlatform& platform, bool json, std::ostream& out);

}  // namespace kerbcall::cli
