#include "app/run_status.h"

#include <cstdio>

namespace kerbcall::app {

namespace {

std::string Distance(float distance) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.0f", static_cast<double>(distance));
    return text;
}

}  // namespace

void RunStatus::WaitingForSimulator() { phase_ = Phase::kWaiting; }

void RunStatus::Tracking(std::string_view simulator, std::uint32_t processId) {
    phase_ = Phase::kTracking;
    simulator_ = std::string(simulator) + " (pid " + std::to_string(processId) + ")";
}

void RunStatus::SimulatorGone() { phase_ = Phase::kGone; }

void RunStatus::Played(std::string_view soundFile, SoundOutcome outcome, float distance) {
    switch (outcome) {
        case SoundOutcome::kOpened:
            sound_ = phase_ == Phase::kTracking ? "called " + std::string(soundFile) + " at " + Distance(distance)
                                                : std::string();
            break;
        case SoundOutcome::kNotOpened:
            sound_ = "could not open " + std::string(soundFile);
            break;
        case SoundOutcome::kNoOutput: {
            const std::string why = mci_.OutputProblem();
            sound_ = why.empty() ? "no sound output" : "no sound output: " + why;
            break;
        }
    }
}

std::string RunStatus::Line(float distance) const {
    std::string line;
    switch (phase_) {
        case Phase::kIdle:
            return line;
        case Phase::kWaiting:
            line = "Waiting for the simulator";
            break;
        case Phase::kTracking:
            line = simulator_ + " at " + Distance(distance);
            break;
        case Phase::kGone:
            line = simulator_ + " ended; waiting for the simulator";
            break;
    }
    return sound_.empty() ? line : line + "; " + sound_;
}

}  // namespace kerbcall::app
