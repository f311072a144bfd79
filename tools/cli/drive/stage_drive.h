#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/note_table.h"
#include "tools/sim/sim_motion.h"

namespace kerbcall::cli {

// The car's distance along the stage through a drive that starts at 0 s.
struct DriveMotion {
    std::function<double(double seconds)> distanceAt;
    double endSeconds = 0.0;
    std::string description;  // "at 40 units/s", "along lap.csv"
};

// A constant speed (units a second, above 0) from `start` to 20 units past
// the farthest note.
DriveMotion ConstantSpeedDrive(std::span<const PaceNote> notes, double speed, double start);

// Straight lines between the points of a lap, which has at least one; the
// first point's distance before its time.
DriveMotion LapDrive(std::vector<sim::ReplayPoint> points, std::string description);

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

inline constexpr double kDriveSampleSeconds = 0.001;

// Drives the stage with a sample every kDriveSampleSeconds through the
// program's own pass decision. `soundLength` gives a note's sound length in
// seconds (0 when nothing can be heard), nullopt when it is not known.
DriveResult Drive(std::span<const PaceNote> notes, const DriveMotion& motion,
                  const std::function<std::optional<double>(int note)>& soundLength);

}  // namespace kerbcall::cli
