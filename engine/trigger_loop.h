#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/note_table.h"
#include "platform/message_pump.h"
#include "simlink/distance_source.h"
#include "sound/sound_player.h"

namespace kerbcall {

// The trigger windows of a note table: note i holds a sample s when
// d - 10 < s < d + 10, with d its trigger distance. The bounds are exact
// doubles, so no trigger distance can overflow them. The windows are also
// kept in order of distance, so that the notes holding a sample are found by
// two binary searches rather than by testing every note.
class NoteWindows {
public:
    explicit NoteWindows(std::span<const PaceNote> notes);

    std::size_t size() const { return lower_.size(); }
    bool Holds(std::size_t note, double sample) const { return sample > lower_[note] && sample < upper_[note]; }
    // The notes whose windows hold the sample, in order of distance.
    std::span<const int> NotesHolding(double sample) const;
    // The notes whose whole windows lie between the two samples (from <= lower
    // bound, upper bound <= to), in order of distance.
    std::span<const int> NotesBetween(double from, double to) const;
    double LowerBound(std::size_t note) const { return lower_[note]; }
    double UpperBound(std::size_t note) const { return upper_[note]; }

private:
    std::vector<double> lower_;  // by note
    std::vector<double> upper_;
    std::vector<int> byDistance_;      // notes in order of distance
    std::vector<double> sortedLower_;  // bounds in that order
    std::vector<double> sortedUpper_;
};

// What the loop remembers between passes.
struct TriggerState {
    int lastTriggeredIndex = -1;  // no note played yet
    // Notes that fired and whose window has held every sample since: they
    // may fire again only once the sample has left their window.
    std::vector<int> firedAndInside;
    // The last sample that was a finite number; none before the first.
    std::optional<double> previousSample;
};

// A move forward of at most this many units from the previous sample calls
// a window it jumped over; a longer one is a reset or a teleport.
inline constexpr double kLongestCrossing = 100.0;

// The decision of one pass, at most one note: the first note in table order
// whose window holds the sample, that is not the note played last and that
// has not fired while the sample stayed in its window. Without one, when the
// sample moved forward by at most kLongestCrossing, the farthest note whose
// whole window it jumped over (equal distances in table order), unless it
// is the note played last. A sample that is not a finite number (a NaN, an
// infinity) decides nothing and changes no state.
std::optional<int> DecidePass(const NoteWindows& windows, TriggerState& state, float sample);

// Near a window the distance is sampled this often; elsewhere the loop
// waits as long as the car cannot reach one (SampleWaits). Between samples
// the loop hands the window system its messages.
inline constexpr std::chrono::milliseconds kSamplePeriod{1};

enum class TriggerLoopEnd { kStopRequested, kSimulatorExited };

// Samples, decides and plays pass after pass, waiting as the stage needs
// and handling window messages between passes, until stopRequested is set (only
// ending the program sets it in the running program) or the source ends with
// the simulator's or the title's process. A pass without a distance decides nothing.
TriggerLoopEnd RunTriggerLoop(const Globals& globals, DistanceSource& source, SoundPlayer& sound,
                              platform::MessagePump& pump, bool& stopRequested);

}  // namespace kerbcall
