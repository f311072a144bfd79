#include "tools/cli/drive/stage_drive.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "engine/trigger_loop.h"

namespace kerbcall::cli {

namespace {

// Past the farthest note's window, so that it can fire.
constexpr double kDriveBeyondLastNote = 20.0;
constexpr double kWindowHalfWidth = 10.0;

lap::Microseconds ToMicroseconds(double seconds) { return std::llround(seconds * lap::kMicrosecondsPerSecond); }

// The samples of a drive and the edges of the notes' trigger windows: between
// two neighbouring edges every sample lies in the same windows.
class DriveSamples {
public:
    DriveSamples(std::span<const PaceNote> notes, const lap::Lap& path) : path_(path) {
        for (const PaceNote& note : notes) {
            edges_.push_back(note.triggerDistance - kWindowHalfWidth);
            edges_.push_back(note.triggerDistance + kWindowHalfWidth);
        }
        std::ranges::sort(edges_);
    }

    std::int64_t Last() const { return path_.End() / kDriveSamplePeriod; }
    float At(std::int64_t sample) const { return lap::ToFloatDistance(path_.DistanceAt(sample * kDriveSamplePeriod)); }

    // The stretch between two edges that holds the sample; nullopt on an edge.
    std::optional<std::size_t> Stretch(float sample) const {
        const auto edge = std::ranges::lower_bound(edges_, static_cast<double>(sample));
        if (edge != edges_.end() && *edge == sample) {
            return std::nullopt;
        }
        return static_cast<std::size_t>(edge - edges_.begin());
    }

    // The first sample after `sample` that leaves its stretch, or the first
    // at the end of the straight line it lies on. Along a straight line the
    // samples run one way, so those in the stretch come in one run.
    std::int64_t FirstLeaving(std::int64_t sample, std::size_t stretch) const {
        std::int64_t inside = sample;
        std::int64_t outside = (path_.StraightUntil(sample * kDriveSamplePeriod) - 1) / kDriveSamplePeriod + 1;
        while (outside - inside > 1) {
            const std::int64_t middle = inside + (outside - inside) / 2;
            (Stretch(At(middle)) == stretch ? inside : outside) = middle;
        }
        return outside;
    }

private:
    const lap::Lap& path_;
    std::vector<double> edges_;
};

}  // namespace

double DriveMotion::DistanceAt(double seconds) const { return path.DistanceAt(ToMicroseconds(seconds)); }

double DriveMotion::EndSeconds() const { return static_cast<double>(path.End()) / lap::kMicrosecondsPerSecond; }

std::variant<DriveMotion, std::string> ConstantSpeedDrive(std::span<const PaceNote> notes, double speed, double start) {
    double end = start;
    for (const PaceNote& note : notes) {
        end = std::max(end, note.triggerDistance + kDriveBeyondLastNote);
    }
    std::ostringstream description;
    description << "at " << speed << " units/s";
    const double seconds = (end - start) / speed;
    if (!(seconds <= lap::kLongestSeconds)) {
        std::ostringstream problem;
        problem << "driving from " << start << " to " << end << " " << description.str() << " would take " << seconds
                << " s, longer than a drive may last (1e12 s); give a higher --speed";
        return problem.str();
    }
    // The end is put where the speed takes the car in the whole microseconds
    // the drive lasts.
    const lap::Microseconds duration = ToMicroseconds(seconds);
    const double reached = start + speed * static_cast<double>(duration) / lap::kMicrosecondsPerSecond;
    return DriveMotion{lap::Lap({{0, start}, {duration, reached}}), description.str()};
}

DriveResult Drive(std::span<const PaceNote> notes, const DriveMotion& motion,
                  const std::function<std::optional<double>(int note)>& soundLength) {
    const NoteWindows windows(notes);
    const DriveSamples samples(notes, motion.path);
    TriggerState state;
    DriveResult result;
    std::optional<std::size_t> settled;  // the stretch of the last pass, when it and the one before fired nothing
    for (std::int64_t sample = 0; sample <= samples.Last(); ++sample) {
        const float distance = samples.At(sample);
        const std::optional<int> note = DecidePass(windows, state, distance);
        const std::optional<std::size_t> stretch = samples.Stretch(distance);
        if (note) {
            result.calls.push_back({*note,
                                    static_cast<double>(sample * kDriveSamplePeriod) / lap::kMicrosecondsPerSecond,
                                    soundLength(*note), std::nullopt, std::nullopt});
        } else if (stretch && stretch == settled) {
            // The passes up to the last sample still in this stretch decide as this one did.
            sample = std::max(sample, samples.FirstLeaving(sample, *stretch) - 2);
        }
        settled = note ? std::nullopt : stretch;
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
