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

void RunStatus::SettingsProblem(std::string_view problem) { settings_ = problem; }

void RunStatus::Tracking(std::string_view simulator, std::uint32_t processId, const DistanceSource& source) {
    phase_ = Phase::kTracking;
    source_ = &source;
    simulator_ = std::string(simulator) + " (pid " + std::to_string(processId);
    if (const std::optional<std::uint16_t> port = source.Port()) {
        simulator_ += ", UDP port " + std::to_string(*port);
    }
    simulator_ += ")";
}

void RunStatus::SimulatorGone() {
    phase_ = Phase::kGone;
    source_ = nullptr;
}

void RunStatus::Played(std::string_view soundFile, SoundOutcome outcome) {
    switch (outcome) {
        case SoundOutcome::kOpened:
            sound_ = phase_ == Phase::kTracking
                         ? "called " + std::string(soundFile) + " at " + Distance(source_->Distance())
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

std::string RunStatus::Tracked() const {
    if (const std::string problem = source_->Problem(); !problem.empty()) {
        return simulator_ + ": " + problem;
    }
    std::string line = simulator_;
    const PacketCounts counts = source_->Counts();
    if (source_->Fresh()) {
        line += " at " + Distance(source_->Distance());
    } else {
        line += counts.distances == 0 ? ": no telemetry yet" : ": no telemetry for 2 s";
    }
    if (counts.malformed != 0) {
        line += "; " + std::to_string(counts.malformed) +
                (counts.malformed == 1 ? " malformed packet" : " malformed packets") + " dropped";
    }
    return line;
}

std::string RunStatus::Line() const {
    std::string line;
    switch (phase_) {
        case Phase::kIdle:
            return line;
        case Phase::kWaiting:
            line = "Waiting for the simulator";
            break;
        case Phase::kTracking:
            line = Tracked();
            break;
        case Phase::kGone:
            line = simulator_ + " ended; waiting for the simulator";
            break;
    }
    for (const std::string* part : {&settings_, &sound_}) {
        if (!part->empty()) {
            line += "; " + *part;
        }
    }
    return line;
}

}  // namespace kerbcall::app
