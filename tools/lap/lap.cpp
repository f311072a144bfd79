#include "tools/lap/lap.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>

#include "engine/note_file.h"
#include "platform/trimmed.h"

namespace kerbcall::lap {

namespace {

constexpr double kLargestFloat = std::numeric_limits<float>::max();

}  // namespace

std::optional<double> ReadFiniteNumber(std::string_view text) {
    text = platform::Trimmed(text);
    text.remove_prefix(text.starts_with('+') ? 1 : 0);
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

Lap::Lap(std::vector<LapPoint> points) : points_(std::move(points)) {}

double Lap::DistanceAt(Microseconds time) const {
    // The first point after `time`; the one before it holds at `time`.
    const auto after = std::ranges::upper_bound(points_, time, {}, &LapPoint::time);
    if (after == points_.begin()) {
        return points_.front().distance;
    }
    const LapPoint& from = *std::prev(after);
    if (after == points_.end()) {
        return from.distance;
    }
    return from.distance + (after->distance - from.distance) * static_cast<double>(time - from.time) /
                               static_cast<double>(after->time - from.time);
}

std::optional<Microseconds> Lap::FirstReaching(double distance) const {
    if (points_.front().distance >= distance) {
        return points_.front().time;
    }
    for (auto to = std::next(points_.begin()); to != points_.end(); ++to) {
        const LapPoint& from = *std::prev(to);
        if (to->distance >= distance) {
            const double share = (distance - from.distance) / (to->distance - from.distance);
            return from.time + std::llround(share * static_cast<double>(to->time - from.time));
        }
    }
    return std::nullopt;
}

Microseconds Lap::StraightUntil(Microseconds time) const {
    const auto next = std::ranges::upper_bound(points_, time, {}, &LapPoint::time);
    return next == points_.end() ? std::max(time, End()) : next->time;
}

std::optional<Microseconds> ToMicroseconds(double seconds) {
    if (!(seconds >= 0.0 && seconds <= kLongestSeconds)) {
        return std::nullopt;
    }
    return std::llround(seconds * kMicrosecondsPerSecond);
}

float ToFloatDistance(double distance) {
    return static_cast<float>(std::clamp(distance, -kLargestFloat, kLargestFloat));
}

std::variant<Lap, LapFault> ReadLap(std::string_view text) {
    std::vector<LapPoint> points;
    std::size_t lineNumber = 0;
    for (const NoteFileLine& read : SplitNoteFileLines(text)) {
        ++lineNumber;
        const std::string_view line = platform::Trimmed(read.text);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::size_t comma = line.find(',');
        const std::optional<double> seconds = ReadFiniteNumber(line.substr(0, comma));
        const std::optional<double> distance =
            ReadFiniteNumber(comma == std::string_view::npos ? std::string_view() : line.substr(comma + 1));
        if (!seconds || !distance) {
            return LapFault{lineNumber, "expected SECONDS,DISTANCE, two numbers"};
        }
        const std::optional<Microseconds> time = ToMicroseconds(*seconds);
        if (!time) {
            return LapFault{lineNumber, "SECONDS must lie from 0 to 1e12"};
        }
        if (std::fabs(*distance) > kLargestFloat) {
            return LapFault{lineNumber, "DISTANCE lies beyond what the simulator holds (a 32-bit float)"};
        }
        if (!points.empty() && *time < points.back().time) {
            return LapFault{lineNumber, "the time goes back"};
        }
        points.push_back({*time, *distance});
    }
    if (points.empty()) {
        return LapFault{0, "holds no SECONDS,DISTANCE line"};
    }
    return Lap(std::move(points));
}

std::string LapLine(Microseconds time, float distance) {
    char text[64];
    char* end = std::to_chars(std::begin(text), std::end(text), static_cast<double>(time) / kMicrosecondsPerSecond,
                              std::chars_format::fixed, 3)
                    .ptr;
    *end++ = ',';
    end = std::to_chars(end, std::end(text), distance).ptr;
    return std::string(text, end);
}

}  // namespace kerbcall::lap
