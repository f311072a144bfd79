#include "engine/trigger_loop.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "engine/sample_wait.h"

namespace kerbcall {

namespace {
constexpr double kWindowHalfWidth = 10.0;
}

NoteWindows::NoteWindows(std::span<const PaceNote> notes) {
    lower_.reserve(notes.size());
    upper_.reserve(notes.size());
    for (const PaceNote& note : notes) {
        lower_.push_back(note.triggerDistance - kWindowHalfWidth);
        upper_.push_back(note.triggerDistance + kWindowHalfWidth);
    }
    byDistance_.resize(notes.size());
    std::iota(byDistance_.begin(), byDistance_.end(), 0);
    std::ranges::stable_sort(byDistance_, {}, [&](int note) { return lower_[static_cast<std::size_t>(note)]; });
    for (const int note : byDistance_) {
        sortedLower_.push_back(lower_[static_cast<std::size_t>(note)]);
        sortedUpper_.push_back(upper_[static_cast<std::size_t>(note)]);
    }
}

std::span<const int> NoteWindows::NotesHolding(double sample) const {
    // All windows are equally wide, so both bounds rise with the distance.
    const auto first = std::ranges::partition_point(sortedUpper_, [&](double upper) { return upper <= sample; });
    const auto last = std::ranges::partition_point(sortedLower_, [&](double lower) { return lower < sample; });
    const auto begin = first - sortedUpper_.begin();
    const auto end = std::max(begin, last - sortedLower_.begin());
    return std::span(byDistance_).subspan(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

std::span<const int> NoteWindows::NotesBetween(double from, double to) const {
    const auto first = std::ranges::partition_point(sortedLower_, [&](double lower) { return lower < from; });
    const auto last = std::ranges::partition_point(sortedUpper_, [&](double upper) { return upper <= to; });
    const auto begin = first - sortedLower_.begin();
    const auto end = std::max(begin, last - sortedUpper_.begin());
    return std::span(byDistance_).subspan(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

namespace {

// The farthest of the notes jumped over (they come in order of distance,
// equal ones in table order) that is not the note played last.
std::optional<int> FarthestCrossed(const NoteWindows& windows, std::span<const int> crossed, int lastTriggered) {
    std::optional<int> farthest;
    for (std::size_t i = crossed.size(); i-- > 0;) {
        const int note = crossed[i];
        if (note == lastTriggered) {
            continue;
        }
        if (farthest && windows.LowerBound(static_cast<std::size_t>(note)) !=
                            windows.LowerBound(static_cast<std::size_t>(*farthest))) {
            break;
        }
        farthest = note;
    }
    return farthest;
}

}  // namespace

std::optional<int> DecidePass(const NoteWindows& windows, TriggerState& state, float sample) {
    if (!std::isfinite(sample)) {
        return std::nullopt;
    }
    const double position = sample;
    std::erase_if(state.firedAndInside,
                  [&](int note) { return !windows.Holds(static_cast<std::size_t>(note), position); });
    std::optional<int> first;  // in table order
    for (const int note : windows.NotesHolding(position)) {
        const bool mayFire = note != state.lastTriggeredIndex &&
                             std::ranges::find(state.firedAndInside, note) == state.firedAndInside.end();
        if (mayFire && (!first || note < *first)) {
            first = note;
        }
    }
    if (first) {
        state.firedAndInside.push_back(*first);
    } else if (const std::optional<double> previous = state.previousSample;
               // A move shorter than a window's width jumps over none.
               previous && position - *previous >= 2 * kWindowHalfWidth && position - *previous <= kLongestCrossing) {
        first = FarthestCrossed(windows, windows.NotesBetween(*previous, position), state.lastTriggeredIndex);
    }
    if (first) {
        state.lastTriggeredIndex = *first;
    }
    state.previousSample = position;
    return first;
}

TriggerLoopEnd RunTriggerLoop(const Globals& globals, DistanceSource& source, SoundPlayer& sound,
                              platform::MessagePump& pump, bool& stopRequested) {
    using Clock = platform::MessagePump::Clock;
    // A loop held up this long (a message box, a slow handler) starts its
    // waits afresh rather than catch up with a burst of samples.
    constexpr auto kLongestCatchUp = 5 * kSamplePeriod;

    stopRequested = false;
    const std::size_t noteCount = std::min(static_cast<std::size_t>(globals.lastNoteIndex + 1), kNoteTableSize);
    const NoteWindows windows(std::span(globals.paceNotes).first(noteCount));
    TriggerState state;
    SampleWaits waits(windows);
    // Only the 1 ms steps need the system's fine timer.
    platform::FineWaits fineWaits(pump);
    Clock::time_point nextSample = pump.Now();
    while (!stopRequested) {
        const DistanceRead read = source.Read();
        const Clock::time_point sampled = pump.Now();
        if (read == DistanceRead::kEnded) {
            return TriggerLoopEnd::kSimulatorExited;
        }
        const std::optional<float> sample =
            read == DistanceRead::kDistance ? std::optional(source.Distance()) : std::nullopt;
        if (const std::optional<int> note = sample ? DecidePass(windows, state, *sample) : std::nullopt) {
            sound.CloseSound();
            sound.PlaySound(globals.paceNotes[static_cast<std::size_t>(*note)].soundFile, false, "");
        }
        // Every sample goes into the estimate, also those of a crowded port.
        const std::chrono::milliseconds needed = waits.After(sample, sampled);
        const std::chrono::milliseconds wait = source.Crowded() ? kSamplePeriod : needed;
        fineWaits.Hold(wait <= kSamplePeriod);
        // The waits are counted from the start, so that waits that end a
        // little late do not add up.
        nextSample += wait;
        if (nextSample < sampled - kLongestCatchUp) {
            nextSample = sampled;
        }
        pump.HandleMessagesUntil(nextSample);
    }
    return TriggerLoopEnd::kStopRequested;
}

}  // namespace kerbcall
