// Prints what the Windows services cost the running program, against a
// running stand-in simulator: one 4-byte ReadProcessMemory, one trigger pass
// over a full note table with that read and a real PeekMessage yield, one
// empty yield, and one Toolhelp scan pass. Figures, not a test.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "engine/trigger_loop.h"
#include "platform/win32/win32_platform.h"
#include "simlink/process_discovery.h"
#include "tests/win32/running_simulator.h"

namespace kerbcall::win32_tests {
namespace {

using Clock = std::chrono::steady_clock;

// The best of a few rounds of `count` runs, in nanoseconds a run: other load
// on the machine counts as little as it can.
template <typename Work>
double BestNanosecondsEach(int count, Work work) {
    double best = 0.0;
    for (int round = 0; round < 5; ++round) {
        const auto started = Clock::now();
        for (int i = 0; i < count; ++i) {
            work();
        }
        const double each = std::chrono::duration<double, std::nano>(Clock::now() - started).count() / count;
        best = round == 0 ? each : std::min(best, each);
    }
    return best;
}

class NoSound final : public platform::Mci {
public:
    std::int32_t SendString(std::string_view /*command*/) override { return 0; }
};

// The real message pump, which also ends the trigger loop after a number of
// passes.
class CountedPump final : public platform::MessagePump {
public:
    CountedPump(bool& stopRequested, int passes) : stopRequested_(stopRequested), left_(passes) {}
    void HandlePendingMessages() override {
        pump_.HandlePendingMessages();
        stopRequested_ = --left_ <= 0;
    }

private:
    platform::win32::Win32MessagePump pump_;
    bool& stopRequested_;
    int left_;
};

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
    const double read = BestNanosecondsEach(kReads, [&] { position.SamplePosition(); });

    Globals globals;
    for (std::size_t i = 0; i < kNoteTableSize; ++i) {
        globals.paceNotes[i] = {"note.mp3", static_cast<std::int32_t>(i * 30)};
    }
    globals.lastNoteIndex = static_cast<std::int16_t>(kNoteTableSize - 1);
    NoSound mci;
    SoundPlayer sound(mci, ".");
    bool stopRequested = false;
    const double pass = BestNanosecondsEach(1,
                                            [&] {
                                                CountedPump pump(stopRequested, kPasses);
                                                RunTriggerLoop(globals, position, sound, pump, stopRequested);
                                            }) /
                        kPasses;
    const double yield = BestNanosecondsEach(kReads, [&] { windows.pump.HandlePendingMessages(); });

    ProcessDiscovery discovery(windows.processes, windows.memory, windows.pump, windows.program);
    discovery.LoadExecutableNames();
    // The stand-in is found in every pass; the scan reads the list up to it.
    const double scan = BestNanosecondsEach(kScans, [&] { discovery.FindSimProcess(false); });

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
