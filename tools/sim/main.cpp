// kerbcall-sim: stands in for the racing simulator. It runs under the
// simulator's executable name, as the simulator does under a Windows
// compatibility layer, keeps the build probe byte and the track distance at
// the simulator's addresses, and moves the distance along laps or a replay.
// With --udp it stands in for a rally title instead: under the title's name,
// it sends the title's telemetry packets for the same drive.
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <atomic>
#include <bit>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <thread>
#include <vector>

#include "kerbcall/version.h"
#include "simlink/position_reader.h"
#include "tools/sim/sim_motion.h"
#include "tools/sim/telemetry_sender.h"

namespace kerbcall::sim {

namespace {

constexpr char kUsage[] =
    "usage: kerbcall-sim [--name EXE] [--build early|late] [--hold]\n"
    "                    [--length UNITS] [--speed UNITS_PER_S] [--start UNITS] [--laps N]\n"
    "       kerbcall-sim [--name EXE] [--build early|late] [--hold] --replay FILE\n"
    "       kerbcall-sim --udp dr2|wrc [--port P] [--structure DIR] [--spoiled METRES]\n"
    "                    [--name EXE] [--hold] [--length METRES] [--speed M_PER_S]\n"
    "                    [--start METRES] [--laps N] [--replay FILE]\n"
    "       kerbcall-sim --help | --version\n";

// The folder the stand-in pretends to have been started from, as a Windows
// program's first argument shows it.
constexpr char kWindowsFolder[] = "C:\\Games\\ZRL\\";
// Written at the distance address that the build does not use, so that a
// reader that chose the wrong one sees a value no car has.
constexpr float kUnusedAddressValue = -1.0F;
constexpr std::uintptr_t kPageSize = 4096;
constexpr auto kWriteInterval = std::chrono::milliseconds(5);
// The games send a hundred packets a second.
constexpr auto kPacketInterval = std::chrono::milliseconds(10);
constexpr auto kReportInterval = std::chrono::seconds(1);

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int signal) { stopSignal = signal; }

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// Starts the program again with the first argument a Windows program would
// have, unless it already has it; the process id stays the same.
void BecomeWindowsProgram(int argc, char** argv, const std::string& name) {
    std::string windowsPath = kWindowsFolder + name;
    if (windowsPath == argv[0]) {
        return;
    }
    std::vector<char*> arguments(argv, argv + argc + 1);
    arguments[0] = windowsPath.data();
    ::execv("/proc/self/exe", arguments.data());
    // Without a new first argument the name still shows, cut to 15 characters.
}

// Maps the page holding `address` at its own address, zero-filled.
std::byte* MapPageAt(std::uint64_t address) {
    const std::uintptr_t page = static_cast<std::uintptr_t>(address) & ~(kPageSize - 1);
    void* wanted = reinterpret_cast<void*>(page);  // NOLINT: a fixed address
    void* mapped =
        ::mmap(wanted, kPageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    if (mapped != wanted) {
        return nullptr;
    }
    return static_cast<std::byte*>(mapped) + (address - page);
}

class SimulatorMemory {
public:
    bool Map(Build build) {
        std::byte* probe = MapPageAt(kBuildProbeAddress);
        std::byte* early = MapPageAt(kEarlyPositionAddress);
        if (probe == nullptr || early == nullptr) {
            return false;
        }
        *probe = std::byte{build == Build::kEarly ? kEarlyBuildProbeByte : kLateBuildProbeByte};
        const std::ptrdiff_t lateOffset = static_cast<std::ptrdiff_t>(kLatePositionAddress - kEarlyPositionAddress);
        distance_ = build == Build::kEarly ? early : early + lateOffset;
        Store(build == Build::kEarly ? early + lateOffset : early, kUnusedAddressValue);
        return true;
    }

    void WriteDistance(float distance) { Store(distance_, distance); }

private:
    // One aligned 4-byte store, so that a reader never sees half a value.
    static void Store(std::byte* at, float value) {
        std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(at))  // NOLINT: the float's own bytes
            .store(std::bit_cast<std::uint32_t>(value), std::memory_order_relaxed);
    }

    std::byte* distance_ = nullptr;
};

std::optional<lap::Lap> LoadReplay(const std::string& file) {
    std::ifstream input(file, std::ios::binary);
    if (!input) {
        std::cerr << "kerbcall-sim: cannot read " << file << '\n';
        return std::nullopt;
    }
    const std::string text((std::istreambuf_iterator<char>(input)), std::istreambuf_iterator<char>());
    auto read = lap::ReadLap(text);
    if (const auto* fault = std::get_if<lap::LapFault>(&read)) {
        std::cerr << "kerbcall-sim: " << file << (fault->line == 0 ? "" : ":" + std::to_string(fault->line)) << ": "
                  << fault->reason << '\n';
        return std::nullopt;
    }
    return std::get<lap::Lap>(std::move(read));
}

void Report(const SimOptions& options, const CarPosition& position) {
    std::ostringstream line;
    if (position.lap != 0) {
        line << "lap " << position.lap << '/' << options.plan.laps << ' ';
    }
    line << "distance " << position.distance << '\n';
    std::cout << line.str() << std::flush;
}

using Publish = std::function<void(const CarPosition&, std::chrono::steady_clock::duration since)>;

// Moves the car along the plan or the replay, handing each position to `publish` every `interval` (the first before
// `started` is said), and reports once a second. The exit status.
int Drive(const SimOptions& options, const std::optional<lap::Lap>& replay, std::chrono::milliseconds interval,
          const Publish& publish, const std::string& started) {
    const auto positionAt = [&](std::chrono::steady_clock::duration since) {
        return replay ? PositionAt(*replay, std::chrono::duration_cast<std::chrono::microseconds>(since).count())
                      : PositionAt(options.plan, std::chrono::duration<double>(since).count());
    };
    const auto start = std::chrono::steady_clock::now();
    publish(positionAt({}), {});
    std::cout << "kerbcall-sim: " << options.name << " pid " << ::getpid() << ", " << started << '\n' << std::flush;
    auto nextReport = start;
    for (auto next = start + interval; stopSignal == 0; next += interval) {
        std::this_thread::sleep_until(next);
        const auto now = std::chrono::steady_clock::now();
        next = std::max(next, now - interval);  // held up: on from now, not in a burst
        const CarPosition position = positionAt(now - start);
        publish(position, now - start);
        const bool ending = position.finished && !options.hold;
        if (now >= nextReport || ending) {
            Report(options, position);
            nextReport = now + kReportInterval;
        }
        if (ending) {
            std::cout << "kerbcall-sim: finished\n";
            return 0;
        }
    }
    std::cout << "kerbcall-sim: stopped by signal " << stopSignal << '\n';
    return 0;
}

int RunMemory(const SimOptions& options, const std::optional<lap::Lap>& replay) {
    ::prctl(PR_SET_NAME, options.name.c_str());
    SimulatorMemory memory;
    if (!memory.Map(options.build)) {
        std::cerr << "kerbcall-sim: cannot map memory at the simulator's addresses: " << std::strerror(errno) << '\n';
        return 1;
    }
    std::ostringstream started;
    started << (options.build == Build::kEarly ? "early" : "late") << " build, distance at 0x" << std::hex
            << (options.build == Build::kEarly ? kEarlyPositionAddress : kLatePositionAddress);
    return Drive(
        options, replay, kWriteInterval,
        [&](const CarPosition& position, auto /*since*/) { memory.WriteDistance(position.distance); }, started.str());
}

int RunTelemetry(const SimOptions& options, const std::optional<lap::Lap>& replay) {
    TelemetrySender sender(options);
    if (const std::string problem = sender.Open(); !problem.empty()) {
        std::cerr << "kerbcall-sim: " << problem << '\n';
        return 1;
    }
    // Under the title's name only now, so that a reader that finds the title finds its structure folder written.
    ::prctl(PR_SET_NAME, options.name.c_str());
    CarState car;
    car.stageLength = replay ? replay->Points().back().distance : options.plan.length;
    const Publish send = [&](const CarPosition& position, std::chrono::steady_clock::duration since) {
        const double seconds = std::chrono::duration<double>(since).count();
        car.speed =
            car.count == 0 ? 0.0F : static_cast<float>((position.distance - car.distance) / (seconds - car.seconds));
        car.seconds = seconds;
        car.distance = position.distance;
        sender.Send(car);
        ++car.count;
    };
    return Drive(options, replay, kPacketInterval, send, sender.Description());
}

}  // namespace

}  // namespace kerbcall::sim

int main(int argc, char** argv) {
    using namespace kerbcall::sim;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kUsage;
        return 0;
    }
    if (!args.empty() && args[0] == "--version") {
        std::cout << "kerbcall-sim " << kerbcall::kVersion << '\n';
        return 0;
    }
    auto parsed = ParseSimArguments(args);
    if (const auto* error = std::get_if<std::string>(&parsed)) {
        std::cerr << "kerbcall-sim: " << *error << '\n' << kUsage;
        return 2;
    }
    const SimOptions options = std::get<SimOptions>(std::move(parsed));
    std::optional<kerbcall::lap::Lap> replay;
    if (!options.replayFile.empty()) {
        replay = LoadReplay(options.replayFile);
        if (!replay) {
            return 2;
        }
    }
    BecomeWindowsProgram(argc, argv, options.name);
    CatchStopSignals();
    return options.udp ? RunTelemetry(options, replay) : RunMemory(options, replay);
}
