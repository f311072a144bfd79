// Prints the costs of the simulator link on Linux against a running
// kerbcall-sim: one bare 4-byte read (the reader's pread on /proc/PID/mem,
// and process_vm_readv for comparison), one trigger pass over 2001 notes with that
// read, and one full scan of /proc.
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/trigger_pass_timing.h"
#include "engine/trigger_loop.h"
#include "platform/posix/proc_mem_reader.h"
#include "platform/posix/proc_process_list.h"
#include "simlink/process_discovery.h"
#include "tests/posix/sim_process.h"

namespace kerbcall::posix {
namespace {

using bench::BestNanoseconds;

constexpr int kReads = 200'000;
constexpr int kPasses = 100'000;
constexpr int kScans = 200;

class NoProgram : public platform::Program {
public:
    std::string Folder() override { return "."; }
    void ShowInformation(std::string_view /*text*/, std::string_view /*caption*/) override {}
    [[noreturn]] void End() override { std::_Exit(1); }
};

void BenchReads(pid_t simulator) {
    ProcMemReader memory;
    const platform::ProcessHandle process = memory.OpenForReading(static_cast<std::uint32_t>(simulator));
    PositionReader position(memory);
    position.simProcess = process;
    position.DetectBuild();
    position.SelectPositionAddress();
    std::printf("simulator pid %d, distance %.1f\n", simulator,
                static_cast<double>(position.ReadSingle(position.positionAddress)));

    const double bareRead = BestNanoseconds(kReads, [&] { position.SamplePosition(); });

    std::array<char, 4> buffer{};
    iovec local{buffer.data(), buffer.size()};
    iovec remote{reinterpret_cast<void*>(static_cast<std::uintptr_t>(position.positionAddress)), buffer.size()};
    const double vmRead =
        BestNanoseconds(kReads, [&] { static_cast<void>(::process_vm_readv(simulator, &local, 1, &remote, 1, 0)); });

    Globals globals;
    bench::FillNoteTable(globals, kNoteTableSize, 0, 30);
    const NoteWindows windows(globals.paceNotes);
    TriggerState state;
    const double decision =
        BestNanoseconds(kPasses, [&] { static_cast<void>(DecidePass(windows, state, position.currentPosition)); });

    bench::NoMessages noMessages;
    MemoryDistance memorySource(position);
    const double pass = bench::NanosecondsPerTriggerPass(globals, memorySource, noMessages, kPasses);

    std::printf("bare 4-byte read, pread /proc/PID/mem (used): %8.0f ns\n", bareRead);
    std::printf("bare 4-byte read, process_vm_readv:           %8.0f ns\n", vmRead);
    std::printf("pass decision alone over %zu notes:            %8.0f ns\n", kNoteTableSize, decision);
    std::printf("trigger pass over %zu notes with the read:     %8.0f ns (%.2fx the bare read; target under 2x)\n",
                kNoteTableSize, pass, pass / bareRead);
}

void BenchScan() {
    ProcFsProcessList processes;
    std::size_t count = 0;
    const double snapshot = BestNanoseconds(kScans, [&] {
        count = 0;
        const auto taken = processes.TakeSnapshot();
        platform::ProcessEntry entry;
        while (taken->Next(entry)) {
            ++count;
        }
    });

    ProcMemReader memory;
    bench::NoMessages pump;
    NoProgram program;
    ProcessDiscovery discovery(processes, memory, pump, program);
    discovery.LoadExecutableNames();
    const bool onePass = true;
    const double pass = BestNanoseconds(kScans, [&] { discovery.FindSimProcess(onePass); });
    std::printf("process list snapshot of %zu processes:     %8.0f us\n", count, snapshot / 1000.0);
    std::printf("full scan pass (snapshot and name matching): %8.0f us\n", pass / 1000.0);
}

}  // namespace
}  // namespace kerbcall::posix

int main() {
    using namespace kerbcall::posix;
    BenchScan();
    // Held at 100000, beyond every note: each pass walks the whole table.
    const testing::SimProcess simulator({"--length", "200000", "--start", "100000", "--speed", "0.001", "--hold"});
    BenchReads(simulator.pid());
    return 0;
}
