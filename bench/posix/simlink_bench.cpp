// Prints the costs of the simulator link on Linux against a running
// kerbcall-sim: one bare 4-byte read (the reader's pread on /proc/PID/mem,
// and process_vm_readv for comparison), one trigger pass over 2001 notes with that
// read, and one full scan of /proc.
#include <fcntl.h>
#include <signal.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/trigger_loop.h"
#include "platform/posix/proc_mem_reader.h"
#include "platform/posix/proc_process_list.h"
#include "simlink/process_discovery.h"

namespace kerbcall::posix {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kReads = 200'000;
constexpr int kPasses = 100'000;
constexpr int kScans = 200;

constexpr int kRounds = 5;

double NanosecondsEach(Clock::duration total, int count) {
    return std::chrono::duration<double, std::nano>(total).count() / count;
}

// The time of one run of `work` in nanoseconds: the best of a few rounds of
// `count` runs, so that other load on the machine counts as little as it can.
template <typename Work>
double BestNanoseconds(int count, Work work) {
    double best = 0.0;
    for (int round = 0; round < kRounds; ++round) {
        const auto started = Clock::now();
        for (int i = 0; i < count; ++i) {
            work();
        }
        const double each = NanosecondsEach(Clock::now() - started, count);
        best = round == 0 ? each : std::min(best, each);
    }
    return best;
}

pid_t StartSimulator() {
    const pid_t child = ::fork();
    if (child == 0) {
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, STDOUT_FILENO);
        // Held at 100000, beyond every note: each pass walks the whole table.
        ::execl(KERBCALL_SIM_PATH, KERBCALL_SIM_PATH, "--length", "200000", "--start", "100000", "--speed", "0.001",
                "--hold", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::usleep(300'000);  // until it has mapped its memory
    return child;
}

class NoSound : public platform::Mci {
public:
    std::int32_t SendString(std::string_view /*command*/) override { return 0; }
};

// Ends the trigger loop after a given number of passes.
class PassCounter : public platform::MessagePump {
public:
    PassCounter(bool& stopRequested, int passes) : stopRequested_(stopRequested), left_(passes) {}
    void HandlePendingMessages() override { stopRequested_ = --left_ <= 0; }

private:
    bool& stopRequested_;
    int left_;
};

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
    for (std::size_t i = 0; i < kNoteTableSize; ++i) {
        globals.paceNotes[i] = {"note.mp3", static_cast<std::int32_t>(i * 30)};
    }
    globals.lastNoteIndex = static_cast<std::int16_t>(kNoteTableSize - 1);
    const NoteWindows windows(globals.paceNotes);
    TriggerState state;
    const double decision =
        BestNanoseconds(kPasses, [&] { static_cast<void>(DecidePass(windows, state, position.currentPosition)); });

    NoSound mci;
    SoundPlayer sound(mci, ".");
    bool stopRequested = false;
    const double pass = BestNanoseconds(1,
                                        [&] {
                                            PassCounter pump(stopRequested, kPasses);
                                            RunTriggerLoop(globals, position, sound, pump, stopRequested);
                                        }) /
                        kPasses;

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
    bool unused = false;
    PassCounter pump(unused, 0);
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
    const pid_t simulator = StartSimulator();
    BenchReads(simulator);
    ::kill(simulator, SIGTERM);
    ::waitpid(simulator, nullptr, 0);
    return 0;
}
