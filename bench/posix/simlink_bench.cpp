// Prints the costs of the simulator link on Linux against a running
// kerbcall-sim: one bare 4-byte read (the reader's pread on /proc/PID/mem,
// and process_vm_readv for comparison), one trigger pass over 2001 notes with that
// read, and one full scan of /proc. Then the pass at the loop's own pace with
// the memory read beside one with a game's telemetry arriving 100 and 1000
// times a second over a real socket.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bench/trigger_pass_timing.h"
#include "engine/trigger_loop.h"
#include "platform/posix/posix_udp.h"
#include "platform/posix/proc_mem_reader.h"
#include "platform/posix/proc_process_list.h"
#include "simlink/distance_sources.h"
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

// Runs the trigger loop at its own pace for `passes` passes and gives the
// mean time of a pass's work: what lies between two of its waits.
double PacedPassNanoseconds(DistanceSource& source, long passes) {
    class PassTimer final : public platform::MessagePump {
    public:
        PassTimer(bool& stopRequested, long passes) : stopRequested_(stopRequested), left_(passes) {}
        void HandlePendingMessages() override {}
        void HandleMessagesUntil(Clock::time_point deadline) override {
            work += Clock::now() - resumed_;
            stopRequested_ = --left_ <= 0;
            std::this_thread::sleep_until(deadline);
            resumed_ = Clock::now();
        }
        Clock::duration work{};

    private:
        bool& stopRequested_;
        long left_;
        Clock::time_point resumed_ = Clock::now();
    };
    Globals globals;
    bench::FillNoteTable(globals, kNoteTableSize, 0, 30);
    bench::SilentMci mci;
    bench::PlainSoundFiles files;
    SoundPlayer sound(mci, files, ".");
    bool stopRequested = false;
    PassTimer timer(stopRequested, passes);
    RunTriggerLoop(globals, source, sound, timer, stopRequested);
    return std::chrono::duration<double, std::nano>(timer.work).count() / static_cast<double>(passes);
}

// Sends dr2 packets to 127.0.0.1:`port`, `perSecond` of them, while it lives.
class Dr2Sender {
public:
    Dr2Sender(std::uint16_t port, int perSecond)
        : thread_([this, port, perSecond] {
              const int out = ::socket(AF_INET, SOCK_DGRAM, 0);
              sockaddr_in to{};
              to.sin_family = AF_INET;
              to.sin_port = htons(port);
              to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
              std::array<char, kDr2PacketSize> packet{};
              const float distance = 100000.0F;  // beyond every note
              std::memcpy(packet.data() + kDr2DistanceOffset, &distance, sizeof(distance));
              auto next = std::chrono::steady_clock::now();
              while (!stop_) {
                  ::sendto(out, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof(to));
                  next += std::chrono::microseconds(1'000'000 / perSecond);
                  std::this_thread::sleep_until(next);
              }
              ::close(out);
          }) {}
    ~Dr2Sender() {
        stop_ = true;
        thread_.join();
    }
    Dr2Sender(const Dr2Sender&) = delete;
    Dr2Sender& operator=(const Dr2Sender&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void BenchPacedPasses(pid_t simulator) {
    constexpr long kPacedPasses = 3000;  // 3 s at the loop's pace
    constexpr std::uint16_t kPort = 20791;
    ProcMemReader memory;
    PositionReader position(memory);
    position.simProcess = memory.OpenForReading(static_cast<std::uint32_t>(simulator));
    position.DetectBuild();
    position.SelectPositionAddress();
    MemoryDistance memorySource(position);
    std::printf("pass at the loop's pace, memory read:               %8.0f ns\n",
                PacedPassNanoseconds(memorySource, kPacedPasses));
    ProcFsProcessList processes;
    // The stand-in plays the game: its process is the one watched.
    std::string simulatorName;
    platform::ProcessEntry entry;
    for (const auto snapshot = processes.TakeSnapshot(); snapshot->Next(entry);) {
        simulatorName = entry.processId == static_cast<std::uint32_t>(simulator) ? entry.exeName : simulatorName;
    }
    PosixUdp udp;
    TitleSettings settings;
    settings.port = kPort;
    for (const int perSecond : {100, 1000}) {
        const Dr2Sender sender(kPort, perSecond);
        TelemetrySource source(udp, processes, static_cast<std::uint32_t>(simulator), simulatorName, settings,
                               &DecodeDr2Packet);
        const double pass = PacedPassNanoseconds(source, kPacedPasses);
        std::printf("pass at the loop's pace, telemetry %4d packets/s:   %8.0f ns (%llu packets taken%s)\n", perSecond,
                    pass, static_cast<unsigned long long>(source.Counts().distances),
                    source.Problem().empty() ? "" : (", " + source.Problem()).c_str());
    }
}

}  // namespace
}  // namespace kerbcall::posix

int main() {
    using namespace kerbcall::posix;
    BenchScan();
    // Held at 100000, beyond every note: each pass walks the whole table.
    const testing::SimProcess simulator({"--length", "200000", "--start", "100000", "--speed", "0.001", "--hold"});
    BenchReads(simulator.pid());
    BenchPacedPasses(simulator.pid());
    return 0;
}
