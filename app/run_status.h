#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/mci.h"
#include "sound/sound_player.h"

namespace kerbcall::app {

// What the run is doing, in plain words, for the main window's status line.
// The run tells it what happens; Line() words it when the window asks, a few
// times a second, with the distance read last. Nothing here runs per pass.
class RunStatus {
public:
    static constexpr std::chrono::milliseconds kRefreshPeriod{250};

    explicit RunStatus(platform::Mci& mci) : mci_(mci) {}

    void WaitingForSimulator();
    void Tracking(std::string_view simulator, std::uint32_t processId);
    // The simulator tracked has ended; the next one is waited for.
    void SimulatorGone();
    // A sound opened while tracking is a call, made at `distance`.
    void Played(std::string_view soundFile, SoundOutcome outcome, float distance);

    // Empty before the run begins.
    std::string Line(float distance) const;

private:
    enum class Phase { kIdle, kWaiting, kTracking, kGone };

    platform::Mci& mci_;
    Phase phase_ = Phase::kIdle;
    std::string simulator_;  // name and process id
    std::string sound_;      // the last call, or what became of a sound
};

}  // namespace kerbcall::app
