// Any note table and any stream of samples through the pass decision: pass
// after pass it fires what a model of the rule, with a state of its own, fires.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#include "engine/note_table.h"
#include "engine/trigger_loop.h"

namespace {

void Require(bool promise) { promise ? void() : std::abort(); }

// Open at both ends, compared exactly.
bool InWindow(const kerbcall::PaceNote& note, float sample) {
    return sample > note.triggerDistance - 10.0 && sample < note.triggerDistance + 10.0;
}

// Either any bit pattern (NaN and infinities included) or a point on, near or
// a jump from a note's window, where the decisions are made.
float ConsumeSample(FuzzedDataProvider& input, const std::vector<kerbcall::PaceNote>& notes) {
    if (notes.empty() || input.ConsumeBool()) {
        return std::bit_cast<float>(input.ConsumeIntegral<std::uint32_t>());
    }
    const kerbcall::PaceNote& note = notes[input.ConsumeIntegralInRange<std::size_t>(0, notes.size() - 1)];
    return static_cast<float>(note.triggerDistance + input.ConsumeIntegralInRange<int>(-480, 480) / 4.0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    std::vector<kerbcall::PaceNote> notes(input.ConsumeIntegralInRange<std::size_t>(0, kerbcall::kNoteTableSize));
    for (kerbcall::PaceNote& note : notes) {
        // Distances near each other make windows overlap; the rest spans the range.
        note.triggerDistance = input.ConsumeBool() ? input.ConsumeIntegralInRange<std::int32_t>(-40, 40)
                                                   : input.ConsumeIntegral<std::int32_t>();
    }
    const kerbcall::NoteWindows windows(notes);
    kerbcall::TriggerState state;
    int last = -1;
    std::vector<bool> firedAndInside(notes.size());
    std::optional<double> before;  // the last finite sample
    while (input.remaining_bytes() > 0) {
        const float sample = ConsumeSample(input, notes);
        const bool finite = std::isfinite(sample);
        // The first note in table order whose window holds the sample fires, unless it played last or fired
        // while every sample since stayed in its window; the notes holding it are found in order of distance.
        // Else the farthest note jumped over (from at or below its window to at or above it, at most 100 units on;
        // equal ones in table order) that did not play last. A sample that is not finite fires nothing, is forgotten.
        std::optional<int> fires, crossed;
        std::vector<int> holding;
        for (std::size_t i = 0; i < notes.size(); ++i) {
            const bool inside = InWindow(notes[i], sample);
            firedAndInside[i] = firedAndInside[i] && (inside || !finite);
            if (inside && !fires && std::cmp_not_equal(i, last) && !firedAndInside[i]) {
                fires = static_cast<int>(i);
            }
            if (before && sample - *before <= 100.0 && *before <= notes[i].triggerDistance - 10.0 &&
                sample >= notes[i].triggerDistance + 10.0 && std::cmp_not_equal(i, last) &&
                (!crossed || notes[i].triggerDistance > notes[static_cast<std::size_t>(*crossed)].triggerDistance)) {
                crossed = static_cast<int>(i);
            }
            holding.insert(holding.end(), inside ? 1 : 0, static_cast<int>(i));
        }
        fires = fires ? fires : crossed;
        before = finite ? std::optional<double>(sample) : before;
        std::ranges::stable_sort(holding, {},
                                 [&](int note) { return notes[static_cast<std::size_t>(note)].triggerDistance; });
        Require(std::ranges::equal(windows.NotesHolding(sample), holding));
        Require(kerbcall::DecidePass(windows, state, sample) == fires);
        if (fires) {
            last = *fires;
            firedAndInside[static_cast<std::size_t>(last)] = InWindow(notes[static_cast<std::size_t>(last)], sample);
        }
        Require(state.lastTriggeredIndex == last);
    }
    return 0;
}
