#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kerbcall::lap {

// Times are whole microseconds, so that a time reached by adding or taking
// away seconds meets a point's own time exactly.
using Microseconds = std::int64_t;

inline constexpr double kMicrosecondsPerSecond = 1e6;
// The longest time a lap or a drive may take: whole microseconds up to it
// fit in 64 bits with room to spare.
inline constexpr double kLongestSeconds = 1e12;

struct LapPoint {
    Microseconds time = 0;
    double distance = 0.0;  // within a 32-bit float's range, as the simulator holds it
};

// The car's way through a drive: points in time order, and a straight line
// from each to the next. Before the first point the car stands at the first,
// after the last at the last; of points that share a time the last holds
// from that time on.
class Lap {
public:
    explicit Lap(std::vector<LapPoint> points);  // at least one

    const std::vector<LapPoint>& Points() const { return points_; }
    Microseconds End() const { return points_.back().time; }

    double DistanceAt(Microseconds time) const;
    // The first time the distance is `distance` or more; nullopt when never.
    std::optional<Microseconds> FirstReaching(double distance) const;
    // The last time from `time` on up to which the car drives one straight
    // line (or stands): the next point's time, or End() after the last.
    Microseconds StraightUntil(Microseconds time) const;

private:
    std::vector<LapPoint> points_;
};

struct LapFault {
    std::size_t line = 0;  // 1-based; 0 for the lap as a whole
    std::string reason;
};

// Lines SECONDS,DISTANCE (times from 0 to kLongestSeconds that never go back,
// distances within a 32-bit float's range); blank lines and lines starting
// with "#" are skipped; lines end as in a note file. At least one point.
std::variant<Lap, LapFault> ReadLap(std::string_view text);

// A point as a lap line without its end: seconds to the millisecond, and the
// distance as the float it is.
std::string LapLine(Microseconds time, float distance);

// A decimal number with blanks around it and an optional "+"; nullopt for
// anything else and for infinities and NaN.
std::optional<double> ReadFiniteNumber(std::string_view text);

// Seconds as whole microseconds; nullopt outside 0 to kLongestSeconds.
std::optional<Microseconds> ToMicroseconds(double seconds);

// A distance as the simulator's 32-bit float: beyond its range, its largest
// value of that sign.
float ToFloatDistance(double distance);

}  // namespace kerbcall::lap
