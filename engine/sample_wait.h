#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <vector>

#include "engine/trigger_loop.h"

namespace kerbcall {

// The most the car's speed changes in a second, in units/s: twice what a
// rally car accelerating hard manages.
inline constexpr double kHardestAcceleration = 20.0;
// The longest wait between two samples, so that a reset or a jump is seen
// within it.
inline constexpr std::chrono::milliseconds kLongestWait{50};
// Taken off the time the car needs to reach a window: a wait without the
// system's fine timer may end a coarse tick (15.6 ms) late, and the
// simulator's distance may be a frame (up to 20 ms) old.
inline constexpr std::chrono::milliseconds kWaitMargin{36};
// A shorter wait than this is made in steps of kSamplePeriod.
inline constexpr std::chrono::milliseconds kShortestLongWait{10};

// How long the loop may wait before its next sample when the nearest window
// edge lies `distance` units ahead and the car moves toward it at `speed`
// units/s (away from it when negative), its speed changing by at most
// `acceleration` units/s every second: the time it needs to reach the edge
// less kWaitMargin, in whole milliseconds, at most kLongestWait; near the
// edge, or with numbers that are not finite, kSamplePeriod.
std::chrono::milliseconds WaitBeforeNextSample(double distance, double speed, double acceleration);

// Chooses the wait after each pass from the samples read so far: the speed
// is taken over the last kSpeedSpan and the windows' edges on both sides
// are looked at. Until the speed is known, after a pass without a distance,
// and when a sample lies where the car could not have come, it is
// kSamplePeriod.
class SampleWaits {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kSpeedSpan{100};

    explicit SampleWaits(const NoteWindows& windows);

    // After a pass that read `sample` at `time` (nullopt: no distance).
    std::chrono::milliseconds After(std::optional<float> sample, Clock::time_point time);

private:
    struct Sample {
        Clock::time_point time;
        double position;
    };
    struct Estimate {
        double speed;  // units/s, forward when positive
        double error;  // the most the speed may differ from it
    };
    std::optional<Estimate> EstimateSpeed() const;
    bool Disagrees(const Sample& sample) const;

    std::vector<double> edges_;  // of every window, in order
    std::deque<Sample> recent_;  // the newest kSpeedSpan old or older first
    std::optional<Estimate> estimate_;
};

}  // namespace kerbcall
