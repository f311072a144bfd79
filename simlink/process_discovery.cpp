#include "simlink/process_discovery.h"

#include "platform/ascii_case.h"

namespace kerbcall {

namespace {

constexpr std::array<const char*, ProcessDiscovery::kSimulatorSlots> kSimulatorExecutables = {
    "zrl.exe",    "zrlc55.exe", "zrlc65.exe", "zrlc66.exe", "zrlm66.exe", "zrlc67.exe", "zrlx67.exe",
    "zrlcgt.exe", "zrlcf2.exe", "zrlc69.exe", "zrlx69.exe", "zrlm71.exe", "zrlxsc.exe",
};

}  // namespace

ProcessDiscovery::ProcessDiscovery(platform::ProcessList& processes, platform::ProcessMemory& memory,
                                   platform::MessagePump& pump, platform::Program& program)
    : processes_(processes), memory_(memory), pump_(pump), program_(program) {}

void ProcessDiscovery::LoadExecutableNames() {
    for (std::size_t i = 0; i < kSimulatorExecutables.size(); ++i) {
        simExecutables[i + 1] = kSimulatorExecutables[i];
    }
}

int ProcessDiscovery::MatchingSlot(const std::string& exeName) const {
    // An empty name would equal every slot that was never filled.
    if (exeName.empty()) {
        return 0;
    }
    for (std::size_t slot = 1; slot <= kExecutableSlots; ++slot) {
        if (platform::EqualIgnoringAsciiCase(exeName, simExecutables[slot])) {
            return static_cast<int>(slot);
        }
    }
    return 0;
}

void ProcessDiscovery::FindSimProcess(const bool& stopRequested) {
    platform::ProcessEntry entry;
    do {
        const platform::MessagePump::Clock::time_point passStarted = platform::MessagePump::Clock::now();
        auto snapshot = processes_.TakeSnapshot();
        if (!snapshot) {
            program_.End();
        }
        // A title read through its telemetry is taken only when the whole
        // pass lists no simulator; its memory is not opened.
        platform::ProcessEntry title;
        int titleSlot = 0;
        while (snapshot->Next(entry)) {
            if (const int slot = MatchingSlot(entry.exeName); slot > kSimulatorSlots) {
                if (titleSlot == 0) {
                    title = entry;
                    titleSlot = slot;
                }
            } else if (slot != 0) {
                simProcessId = entry.processId;
                simProcess = memory_.OpenForReading(entry.processId);
                simExecutableIndex = slot;
                return;  // the snapshot closes as it goes out of scope
            }
            pump_.HandlePendingMessages();
        }
        if (titleSlot != 0) {
            simProcessId = title.processId;
            simProcess = 0;
            simExecutableIndex = titleSlot;
            return;
        }
        snapshot.reset();
        pump_.HandleMessagesUntil(passStarted + kPassPeriod);
    } while (!stopRequested);
}

}  // namespace kerbcall
