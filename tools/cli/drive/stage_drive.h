#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "engine/note_table.h"
#include "tools/lap/lap.h"

namespace kerbcall::cli {

// The car's way through a drive that starts at 0 s: straight lines between
// the points of a lap.
struct DriveMotion {
    lap::Lap path;
    std::string description;  // "at 40 units/s", "along lap.csv"

    double DistanceAt(double seconds) const;
    double EndSeconds() const;
};

// A constant speed (units a second, above 0) from `start` to 20 units past
// the farthest note; a message when that drive would last longer than
// lap::kLongestSeconds.
std::variant<DriveMotion, std::string> ConstantSpeedDrive(std::span<const PaceNote> notes, double speed, double start);

// One note fired on the drive. A call is heard from when it fires until its
// sound ends or the next call closes it.
struct Call {
    int note = 0;
    double firesAt = 0.0;               // seconds
    std::optional<double> soundLength;  // nullopt where the sound's length is unknown
    std::optional<double> heardFor;     // nullopt where the sound's length is unknown
    std::optional<int> cutOffBy;        // the note whose call closed it
};

struct DriveResult {
    std::vector<Call> calls;      // in the order they fire
    std::vector<int> neverFired;  // notes, in table order
};

inline constexpr lap::Microseconds kDriveSamplePeriod = 1000;

// Drives the stage with a sample every kDriveSamplePeriod through the
// program's own pass decision, as the program would sample it. Where the car
// drives on between the same trigger window edges, the samples that change
// nothing are passed over, so that a drive of any length takes about as
// long as its calls and lap points. `soundLength` gives a note's sound length
// in seconds (0 when nothing can be heard), nullopt when it is not known.
DriveResult Drive(std::span<const PaceNote> notes, const DriveMotion& motion,
                  const std::function<std::optional<double>(int note)>& soundLength);

}  // namespace kerbcall::cli
