// Drives laps through the real trigger loop on a simulated clock, the car
// speeding up and braking at up to 20 units/s^2 between 0 and 70 units/s
// over a dense stage, and compares each call with the pass at which a loop
// sampling every millisecond makes it. Prints the samples a second and the
// worst lateness; exits with status 1 when a call is more than 1 ms late,
// missing or extra.
#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/trigger_pass_timing.h"
#include "engine/sample_wait.h"

namespace kerbcall::bench {
namespace {

using Seconds = std::chrono::duration<double>;

constexpr double kLapLength = 3000.0;
constexpr int kLaps = 10;
constexpr double kTopSpeed = 70.0;
// The simulator writes the distance once a frame.
constexpr double kFrame = 1.0 / 60;

// A car's drive: stretches of constant acceleration, the distance along
// the lap starting again from 0 at its end.
class Drive {
public:
    explicit Drive(unsigned seed) {
        std::mt19937 random(seed);
        std::uniform_real_distribution<double> acceleration(-kHardestAcceleration, kHardestAcceleration);
        std::uniform_real_distribution<double> duration(0.1, 3.0);
        Stretch now{0.0, 0.0, 0.0, 0.0};
        while (now.distance < kLaps * kLapLength) {
            // Half the stretches at full throttle or full brakes.
            now.acceleration =
                random() % 2 == 0 ? acceleration(random) : (random() % 2 == 0 ? 1 : -1) * kHardestAcceleration;
            double length = duration(random);
            // A stretch ends where the speed reaches either end of its range.
            if (now.acceleration > 0) {
                length = std::min(length, (kTopSpeed - now.speed) / now.acceleration);
            } else if (now.acceleration < 0) {
                length = std::min(length, now.speed / -now.acceleration);
            }
            if (length <= 0) {
                continue;
            }
            stretches_.push_back(now);
            now = {now.start + length, now.distance + now.speed * length + now.acceleration * length * length / 2,
                   now.speed + now.acceleration * length, 0.0};
            now.speed = std::clamp(now.speed, 0.0, kTopSpeed);
        }
        end_ = now.start;
    }

    Clock::time_point End() const {
        return Clock::time_point(std::chrono::duration_cast<Clock::duration>(Seconds(end_)));
    }
    // What the simulator's memory holds at `at`: the distance of the
    // frame's start.
    float DistanceAt(Clock::time_point at) const {
        const double time = Seconds(at.time_since_epoch()).count();
        const double frame = std::floor(time / kFrame) * kFrame;
        const auto stretch = std::ranges::upper_bound(stretches_, frame, {}, &Stretch::start) - 1;
        const double since = frame - stretch->start;
        const double driven = stretch->distance + stretch->speed * since + stretch->acceleration * since * since / 2;
        return static_cast<float>(std::fmod(driven, kLapLength));
    }

private:
    struct Stretch {
        double start;  // s
        double distance;
        double speed;
        double acceleration;
    };
    std::vector<Stretch> stretches_;
    double end_ = 0.0;
};

// A stage of notes 15 to 60 units apart (some windows overlapping), each
// with a sound of its own name.
void FillDenseStage(Globals& globals, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int32_t> spacing(15, 60);
    std::size_t count = 0;
    for (std::int32_t distance = 100; distance < kLapLength - 100; distance += spacing(random)) {
        globals.paceNotes[count] = {std::to_string(count) + ".mp3", distance};
        ++count;
    }
    globals.lastNoteIndex = static_cast<std::int16_t>(count - 1);
}

struct Call {
    std::string sound;
    Clock::time_point time;
};

// The simulator's memory at the simulated time.
class SimulatedMemory final : public platform::ProcessMemory {
public:
    SimulatedMemory(const Drive& drive, const Clock::time_point& now) : drive_(drive), now_(now) {}
    platform::ProcessHandle OpenForReading(std::uint32_t /*processId*/) override { return 1; }
    bool Read(platform::ProcessHandle /*process*/, std::uint64_t /*address*/, std::span<std::byte> buffer) override {
        ++reads;
        const auto bytes = std::bit_cast<std::array<std::byte, 4>>(drive_.DistanceAt(now_));
        std::ranges::copy(bytes, buffer.begin());
        return true;
    }
    bool HasExited(platform::ProcessHandle /*process*/) override { return false; }
    void Close(platform::ProcessHandle /*process*/) override {}

    long reads = 0;

private:
    const Drive& drive_;
    const Clock::time_point& now_;
};

// Waits take no time: the clock moves on to their deadline. The drive's
// end stops the loop.
class SimulatedPump final : public platform::MessagePump {
public:
    SimulatedPump(Clock::time_point& now, Clock::time_point end, bool& stopRequested)
        : now_(now), end_(end), stopRequested_(stopRequested) {}
    Clock::time_point Now() override { return now_; }
    void HandlePendingMessages() override {}
    void HandleMessagesUntil(Clock::time_point deadline) override {
        now_ = std::max(now_, deadline);
        stopRequested_ = now_ >= end_;
    }

private:
    Clock::time_point& now_;
    Clock::time_point end_;
    bool& stopRequested_;
};

std::vector<Call> CallsOfTheLoop(const Globals& globals, const Drive& drive, long& samples) {
    Clock::time_point now;
    bool stopRequested = false;
    SimulatedMemory memory(drive, now);
    SimulatedPump pump(now, drive.End(), stopRequested);
    PositionReader position(memory);
    position.simProcess = 1;
    position.positionAddress = kEarlyPositionAddress;
    SilentMci mci;
    PlainSoundFiles files;
    SoundPlayer sound(mci, files, ".");
    std::vector<Call> calls;
    sound.onPlayed = [&](std::string_view soundFile, SoundOutcome /*outcome*/) {
        calls.push_back({std::string(soundFile), now});
    };
    MemoryDistance source(position);
    RunTriggerLoop(globals, source, sound, pump, stopRequested);
    samples = memory.reads;
    return calls;
}

std::vector<Call> CallsOfAMillisecondLoop(const Globals& globals, const Drive& drive) {
    const std::size_t noteCount = static_cast<std::size_t>(globals.lastNoteIndex + 1);
    const NoteWindows windows(std::span(globals.paceNotes).first(noteCount));
    TriggerState state;
    std::vector<Call> calls;
    for (Clock::time_point time; time < drive.End(); time += kSamplePeriod) {
        if (const std::optional<int> note = DecidePass(windows, state, drive.DistanceAt(time))) {
            calls.push_back({globals.paceNotes[static_cast<std::size_t>(*note)].soundFile, time});
        }
    }
    return calls;
}

}  // namespace
}  // namespace kerbcall::bench

int main() {
    using namespace kerbcall::bench;
    constexpr unsigned kDrives = 5;
    bool allInTime = true;
    std::printf("%d laps of %.0f units at 0-%.0f units/s, +-%.0f units/s^2, distance written at %.0f Hz\n", kLaps,
                kLapLength, kTopSpeed, kerbcall::kHardestAcceleration, 1 / kFrame);
    for (unsigned seed = 1; seed <= kDrives; ++seed) {
        kerbcall::Globals globals;
        FillDenseStage(globals, seed);
        const Drive drive(seed);
        long samples = 0;
        const std::vector<Call> calls = CallsOfTheLoop(globals, drive, samples);
        const std::vector<Call> expected = CallsOfAMillisecondLoop(globals, drive);
        const double seconds = Seconds(drive.End().time_since_epoch()).count();
        Clock::duration worst{};
        std::size_t matched = 0;
        while (matched < std::min(calls.size(), expected.size()) && calls[matched].sound == expected[matched].sound) {
            worst = std::max(worst, std::chrono::abs(calls[matched].time - expected[matched].time));
            ++matched;
        }
        const bool inTime = matched == calls.size() && matched == expected.size() && worst <= kerbcall::kSamplePeriod;
        allInTime = allInTime && inTime;
        std::printf(
            "drive %u: %d notes, %.0f s: %zu calls (a 1 ms loop: %zu), %zu alike in order; %.1f samples/s "
            "(a 1 ms loop: 1000); worst lateness %.3f ms: %s\n",
            seed, globals.lastNoteIndex + 1, seconds, calls.size(), expected.size(), matched,
            static_cast<double>(samples) / seconds, std::chrono::duration<double, std::milli>(worst).count(),
            inTime ? "every call within 1 ms" : "LATE, MISSING OR EXTRA");
    }
    return allInTime ? 0 : 1;
}
