#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include "platform/message_pump.h"
#include "platform/process_list.h"
#include "platform/process_memory.h"
#include "platform/program.h"

namespace kerbcall {

// Finds the simulator among the running processes and opens it for reading.
class ProcessDiscovery {
public:
    static constexpr std::size_t kExecutableSlots = 20;
    // Slots 1 to 13 hold the simulator's names, read through its memory;
    // later slots, games read otherwise (see LoadTelemetryTitles).
    static constexpr int kSimulatorSlots = 13;
    // A pass begins this long after the one before it began; the window
    // messages are handled in between.
    static constexpr std::chrono::milliseconds kPassPeriod{200};

    ProcessDiscovery(platform::ProcessList& processes, platform::ProcessMemory& memory, platform::MessagePump& pump,
                     platform::Program& program);

    // Fills slots 1 to 13 with the simulator's executable names.
    void LoadExecutableNames();

    // Scans pass after pass, each over a fresh snapshot, yielding to the pump
    // after every entry and waiting on it after every pass (kPassPeriod from
    // the pass's start), until a process with one of the names
    // turns up (whole name, case ignored; the first in snapshot order and the
    // lowest slot win) and is opened. A simulator's name wins over a later
    // slot's in the same pass, and only a simulator is opened (simProcess
    // stays 0 for the others). Returns early only when stopRequested
    // is true after a pass. Ends the program when no snapshot can be taken.
    void FindSimProcess(const bool& stopRequested);

    // Slots 1 to 20; slot 0 is unused so that slot numbers read as written.
    std::array<std::string, kExecutableSlots + 1> simExecutables{};
    std::uint32_t simProcessId = 0;
    platform::ProcessHandle simProcess = 0;
    int simExecutableIndex = 0;

private:
    // The slot whose name equals `exeName` without regard to case; 0 if none.
    int MatchingSlot(const std::string& exeName) const;

    platform::ProcessList& processes_;
    platform::ProcessMemory& memory_;
    platform::MessagePump& pump_;
    platform::Program& program_;
};

}  // namespace kerbcall
