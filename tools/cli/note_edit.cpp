#include "tools/cli/note_edit.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <limits>
#include <sstream>

namespace kerbcall::cli {

namespace {

bool FitsDistance(std::int64_t value) {
    return value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max();
}

NoteFileFault OutOfRange(const NoteFileContents& contents, std::size_t note, double value) {
    char text[32];
    auto written = std::to_chars(std::begin(text), std::end(text), value, std::chars_format::fixed);
    if (written.ec != std::errc()) {
        written = std::to_chars(std::begin(text), std::end(text), value);
    }
    return {contents.noteLines[note],
            "the distance would be " + std::string(text, written.ptr) + ", beyond the 32-bit range"};
}

std::string NoteName(const NoteFileContents& contents, std::size_t note) {
    const PaceNote& pace = contents.notes[note];
    return (pace.soundFile.empty() ? std::string("the note") : pace.soundFile) + " at " +
           std::to_string(pace.triggerDistance);
}

}  // namespace

std::variant<std::vector<MovedNote>, NoteFileFault> EditDistances(const NoteFileContents& contents,
                                                                  const DistanceEdit& edit) {
    std::vector<MovedNote> kept;
    for (std::size_t note = 0; note < contents.notes.size(); ++note) {
        std::int64_t distance = contents.notes[note].triggerDistance + edit.shift;
        if (!FitsDistance(distance)) {
            return OutOfRange(contents, note, static_cast<double>(distance));
        }
        if (edit.scale) {
            std::int32_t scaled = 0;
            const double product = static_cast<double>(distance) * *edit.scale;
            if (!RoundToDistance(product, scaled)) {
                return OutOfRange(contents, note, product);
            }
            distance = scaled;
        }
        if ((edit.from && distance < *edit.from) || (edit.to && distance > *edit.to)) {
            continue;
        }
        if (edit.rebase && edit.from) {
            distance -= *edit.from;
            if (!FitsDistance(distance)) {
                return OutOfRange(contents, note, static_cast<double>(distance));
            }
        }
        kept.push_back({note, static_cast<std::int32_t>(distance)});
    }
    if (edit.sort) {
        std::ranges::stable_sort(kept, {}, &MovedNote::distance);
    }
    return kept;
}

std::variant<std::vector<MovedNote>, NoteFileFault> LeadDistances(const NoteFileContents& contents,
                                                                  const std::vector<sim::ReplayPoint>& lap,
                                                                  const Lead& lead,
                                                                  std::vector<std::string>& warnings) {
    std::vector<MovedNote> moved;
    for (std::size_t note = 0; note < contents.notes.size(); ++note) {
        const std::int32_t distance = contents.notes[note].triggerDistance;
        const auto reached = std::ranges::find_if(
            lap, [&](const sim::ReplayPoint& point) { return static_cast<double>(point.distance) >= distance; });
        std::string problem;
        std::int32_t earlier = distance;
        if (reached == lap.end()) {
            problem = "the lap never reaches it";
        } else if (reached->seconds - lap.front().seconds < lead.seconds) {
            std::ostringstream text;
            text << "the lap reaches it " << reached->seconds - lap.front().seconds << " s after its start, less than "
                 << lead.seconds << " s";
            problem = text.str();
        } else if (const float there = sim::PositionAt(lap, reached->seconds - lead.seconds).distance;
                   !RoundToDistance(there, earlier)) {
            return OutOfRange(contents, note, there);
        }
        if (!problem.empty() && !lead.keepUnreachable) {
            return NoteFileFault{contents.noteLines[note], NoteName(contents, note) + ": " + problem};
        }
        if (!problem.empty()) {
            warnings.push_back("line " + std::to_string(contents.noteLines[note]) + ": " + NoteName(contents, note) +
                               ": " + problem + "; kept where it is");
        }
        moved.push_back({note, earlier});
    }
    return moved;
}

}  // namespace kerbcall::cli
