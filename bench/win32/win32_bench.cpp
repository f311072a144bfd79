// Prints what the Windows services cost the running program, against a
// running stand-in simulator: one 4-byte ReadProcessMemory, one trigger pass
// over a full note table with that read and a real PeekMessage yield, one
// empty yield, and one Toolhelp scan pass. Figures, not a test.
#include <windows.h>

#include <cstdio>

#include "bench/trigger_pass_timing.h"
#include "engine/trigger_loop.h"
#include "platform/win32/win32_platform.h"
#include "simlink/process_discovery.h"
#include "tests/win32/running_simulator.h"

namespace kerbcall::win32_tests {
namespace {

using bench::BestNanoseconds;

void Run() {
    constexpr int kReads = 5'000;
    constexpr int kPasses = 5'000;
    constexpr int kScans = 20;

    platform::win32::Win32Platform windows;
    // Held beyond every note, so that each pass walks the whole table.
    RunningSimulator simulator("--hold 100000");
    PositionReader position(windows.memory);
    position.simProcess = windows.memory.OpenForReading(simulator.ProcessId());
    position.DetectBuild();
    position.SelectPositionAddress();
    const double read = BestNanoseconds(kReads, [&] { position.SamplePosition(); });

    Globals globals;
    bench::FillNoteTable(globals, kNoteTableSize, 0, 30);
    MemoryDistance memorySource(position);
    const double pass = bench::NanosecondsPerTriggerPass(globals, memorySource, windows.pump, kPasses);
    const double yield = BestNanoseconds(kReads, [&] { windows.pump.HandlePendingMessages(); });

    ProcessDiscovery discovery(windows.processes, windows.memory, windows.pump, windows.program);
    discovery.LoadExecutableNames();
    // The stand-in is found in every pass; the scan reads the list up to it.
    const double scan = BestNanoseconds(kScans, [&] { discovery.FindSimProcess(false); });

    std::printf("4-byte ReadProcessMemory:                     %8.0f ns\n", read);
    std::printf("trigger pass over %zu notes, read and yield: %8.0f ns (%.0f passes a second)\n", kNoteTableSize, pass,
                1e9 / pass);
    std::printf("yield to the message pump, nothing pending:   %8.0f ns\n", yield);
    std::printf("Toolhelp scan pass up to the simulator:       %8.0f us\n", scan / 1000.0);
}

}  // namespace
}  // namespace kerbcall::win32_tests

int main() {
    kerbcall::win32_tests::Run();
    return 0;
}
