#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/note_table.h"
#include "platform/message_pump.h"
#include "simlink/position_reader.h"
#include "sound/sound_player.h"

namespace kerbcall {

// The trigger windows of a note table, laid out for a fast scan: note i
// holds a sample s when lower[i] < s < upper[i]. The bounds are exact
// doubles, so no trigger distance can overflow them.
class NoteWindows {
public:
    explicit NoteWindows(std::span<const PaceNote> notes);

    std::size_t size() const { return lower_.size(); }
    bool Holds(std::size_t note, double sample) const { return sample > lower_[note] && sample < upper_[note]; }

private:
    std::vector<double> lower_;
    std::vector<double> upper_;
};

// What the loop remembers between passes.
struct TriggerState {
    int lastTriggeredIndex = -1;  // no note played yet
    // Notes that fired and whose window has held every sample since: they
    // may fire again only once the sample has left their window.
    std::vector<int> firedAndInside;
};

// The decision of one pass: the first note in table order whose window holds
// the sample, that is not the note played last and that has not fired while
// the sample stayed in its window. At most one note per pass. A sample that
// is not a number lies in no window.
std::optional<int> DecidePass(const NoteWindows& windows, TriggerState& state, float sample);

// Samples, decides and plays pass after pass, yielding to the message pump
// once per pass, until stopRequested is set (only ending the program ends it
// in the running program).
void RunTriggerLoop(const Globals& globals, PositionReader& position, SoundPlayer& sound, platform::MessagePump& pump,
                    bool& stopRequested);

}  // namespace kerbcall
