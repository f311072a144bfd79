#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/mci.h"
#include "simlink/distance_source.h"
#include "sound/sound_player.h"

namespace kerbcall::app {

// What the run is doing, in plain words, for the main window's status line.
// The run tells it what happens; Line() words it when the window asks, a few
// times a second, from the source's newest distance. Nothing here runs per
// pass.
class RunStatus {
public:
    static constexpr std::chrono::milliseconds kRefreshPeriod{250};

    explicit RunStatus(platform::Mci& mci) : mci_(mci) {}

    void WaitingForSimulator();
    // A bad line of the settings file, said until the next run; empty for none.
    void SettingsProblem(std::string_view problem);
    // `source` is read from until SimulatorGone.
    void Tracking(std::string_view simulator, std::uint32_t processId, const DistanceSource& source);
    // The simulator tracked has ended; the next one is waited for.
    void SimulatorGone();
    // A sound opened while tracking is a call, made at the distance of then.
    void Played(std::string_view soundFile, SoundOutcome outcome);

    // Empty before the run begins.
    std::string Line() const;

private:
    enum class Phase { kIdle, kWaiting, kTracking, kGone };

    std::string Tracked() const;

    platform::Mci& mci_;
    Phase phase_ = Phase::kIdle;
    const DistanceSource* source_ = nullptr;  // while tracking
    std::string simulator_;                   // name, process id and port
    std::string settings_;                    // what is wrong in the settings file
    std::string sound_;                       // the last call, or what became of a sound
};

}  // namespace kerbcall::app
