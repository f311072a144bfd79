#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/process_list.h"
#include "platform/process_memory.h"

namespace kerbcall::cli {

// What the probe and the recording need of the platform they run on.
struct ProbePlatform {
    std::unique_ptr<platform::ProcessList> processes;
    std::unique_ptr<platform::ProcessMemory> memory;
    // Why the memory of a process cannot be read, in one sentence.
    std::function<std::string(std::uint32_t)> readAccessProblem;
};

// The platform's services; `processes` is null where the probe has none.
// Each platform has its own definition of this one function.
ProbePlatform MakeProbePlatform();

}  // namespace kerbcall::cli
