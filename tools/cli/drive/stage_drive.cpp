#include "tools/cli/drive/stage_drive.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "engine/trigger_loop.h"

namespace kerbcall::cli {

namespace {

// Past the farthest note's window, so that it can fire.
constexpr double kDriveBeyondLastNote = 20.0;

}  // namespace

DriveMotion ConstantSpeedDrive(std::span<const PaceNote> notes, double speed, double start) {
    double end = start;
    for (const PaceNote& note : notes) {
        end = std::max(end, note.triggerDistance + kDriveBeyondLastNote);
    }
    std::ostringstream description;
    description << "at " << speed << " units/s";
    return {[=](double seconds) { return start + speed * seconds; }, std::max(0.0, (end - start) / speed),
            description.str()};
}

DriveMotion LapDrive(std::vector<sim::ReplayPoint> points, std::string description) {
    const double end = points.back().seconds;
    auto distanceAt = [points = std::move(points)](double seconds) {
        const auto after = std::ranges::upper_bound(points, seconds, {}, &sim::ReplayPoint::seconds);
        if (after == points.begin()) {
            return static_cast<double>(points.front().distance);
        }
        const sim::ReplayPoint& from = *(after - 1);
        if (after == points.end()) {
            return static_cast<double>(from.distance);
        }
        const double share = (seconds - from.seconds) / (after->seconds - from.seconds);
        return from.distance + share * (static_cast<double>(after->distance) - from.distance);
    };
    return {std::move(distanceAt), end, std::move(description)};
}

DriveResult Drive(std::span<const PaceNote> notes, const DriveMotion& motion,
                  const std::function<std::optional<double>(int note)>& soundLength) {
    const NoteWindows windows(notes);
    TriggerState state;
    DriveResult result;
    const auto lastSample = static_cast<std::int64_t>(std::floor(motion.endSeconds / kDriveSampleSeconds + 1e-9));
    for (std::int64_t sample = 0; sample <= lastSample; ++sample) {
        const double seconds = static_cast<double>(sample) * kDriveSampleSeconds;
        const std::optional<int> note = DecidePass(windows, state, static_cast<float>(motion.distanceAt(seconds)));
        if (note) {
            result.calls.push_back({*note, seconds, soundLength(*note), std::nullopt, std::nullopt});
        }
    }
    std::vector<bool> fired(notes.size());
    for (std::size_t i = 0; i < result.calls.size(); ++i) {
        Call& call = result.calls[i];
        fired[static_cast<std::size_t>(call.note)] = true;
        if (!call.soundLength) {
            continue;
        }
        call.heardFor = *call.soundLength;
        if (i + 1 < result.calls.size()) {
            const double untilNext = result.calls[i + 1].firesAt - call.firesAt;
            if (untilNext < *call.soundLength) {
                call.heardFor = untilNext;
                call.cutOffBy = result.calls[i + 1].note;
            }
        }
    }
    for (std::size_t note = 0; note < notes.size(); ++note) {
        if (!fired[note]) {
            result.neverFired.push_back(static_cast<int>(note));
        }
    }
    return result;
}

}  // namespace kerbcall::cli
