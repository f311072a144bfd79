#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/files.h"
#include "platform/process_list.h"
#include "platform/process_memory.h"
#include "platform/udp.h"
#include "platform/user_folders.h"
#include "simlink/distance_sources.h"

namespace kerbcall::cli {

// What the probe and the recording need of the platform they run on.
struct ProbePlatform {
    std::unique_ptr<platform::ProcessList> processes;
    std::unique_ptr<platform::ProcessMemory> memory;
    // Why the memory of a process cannot be read, in one sentence.
    std::function<std::string(std::uint32_t)> readAccessProblem;
    // The games' telemetry and the settings that say how it is read.
    std::unique_ptr<platform::Udp> udp;
    std::unique_ptr<platform::Files> files;
    std::unique_ptr<platform::UserFolders> userFolders;

    SourceServices Sources() const { return {*processes, *udp, *files, *userFolders}; }
};

// The platform's services; `processes` is null where the probe has none.
// Each platform has its own definition of this one function.
ProbePlatform MakeProbePlatform();

// The name a title read through its telemetry goes by, for the discovery's
// slot; empty for the simulator's.
inline std::string TitleName(int slot) {
    return slot == kDr2Slot ? "DiRT Rally 2.0" : slot == kWrcSlot ? "EA SPORTS WRC" : "";
}

}  // namespace kerbcall::cli
