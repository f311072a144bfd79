#pragma once

// What the benchmark programs share: timing with the machine's other load
// kept out as far as it can be, and the trigger loop run for a number of
// passes over a note table.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/trigger_loop.h"
#include "simlink/distance_sources.h"

namespace kerbcall::bench {

using Clock = std::chrono::steady_clock;

// The time of one run of `work` in nanoseconds: the best of five rounds of
// `count` runs.
template <typename Work>
double BestNanoseconds(int count, Work work) {
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

class SilentMci final : public platform::Mci {
public:
    std::int32_t SendString(std::string_view /*command*/) override { return 0; }
};

// Every sound a plain file.
class PlainSoundFiles final : public platform::Files {
public:
    bool FileExists(std::string_view /*sSource*/) override { return true; }
    std::optional<std::string> ReadWholeFile(std::string_view /*path*/) override { return std::nullopt; }
    bool IsSpecialOrTooLarge(std::string_view /*path*/) override { return false; }
};

// Notes 0 to count - 1, `spacing` units apart from `first` on.
inline void FillNoteTable(Globals& globals, std::size_t count, std::int32_t first, std::int32_t spacing) {
    for (std::size_t i = 0; i < count; ++i) {
        globals.paceNotes[i] = {"note.mp3", first + static_cast<std::int32_t>(i) * spacing};
    }
    globals.lastNoteIndex = static_cast<std::int16_t>(count - 1);
}

// Nanoseconds a pass of the trigger loop takes, without its wait for the
// next sample, each pass sampling `source` and yielding to `pump`:
// the best of five runs of `passes`.
inline double NanosecondsPerTriggerPass(const Globals& globals, DistanceSource& source, platform::MessagePump& pump,
                                        long passes) {
    class PassCounter final : public platform::MessagePump {
    public:
        PassCounter(platform::MessagePump& inner, bool& stopRequested, long passes)
            : inner_(inner), stopRequested_(stopRequested), left_(passes) {}
        void HandlePendingMessages() override {
            inner_.HandlePendingMessages();
            stopRequested_ = --left_ <= 0;
        }
        // The cost of a pass, without the wait for the next sample.
        void HandleMessagesUntil(Clock::time_point /*deadline*/) override { HandlePendingMessages(); }

    private:
        platform::MessagePump& inner_;
        bool& stopRequested_;
        long left_;
    };
    SilentMci mci;
    PlainSoundFiles files;
    SoundPlayer sound(mci, files, ".");
    const double loop = BestNanoseconds(1, [&] {
        bool stopRequested = false;
        PassCounter counter(pump, stopRequested, passes);
        RunTriggerLoop(globals, source, sound, counter, stopRequested);
    });
    return loop / static_cast<double>(passes);
}

// A pump with nothing to handle and no waits: the pass without the window
// system.
class NoMessages final : public platform::MessagePump {
public:
    void HandlePendingMessages() override {}
    void HandleMessagesUntil(Clock::time_point /*deadline*/) override {}
};

}  // namespace kerbcall::bench
