// Any note table and any stream of samples through the pass decision: it
// never crashes, and every pass keeps the rule of which note fires.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "engine/note_table.h"
#include "engine/trigger_loop.h"

namespace {

void Require(bool promise) {
    if (!promise) {
        std::abort();
    }
}

// The window test written out on the notes themselves, apart from
// NoteWindows: open at both ends, compared exactly.
bool InWindow(const kerbcall::PaceNote& note, float sample) {
    const double position = sample;
    const double distance = note.triggerDistance;
    return position > distance - 10.0 && position < distance + 10.0;
}

// A note that holds the sample may fire unless it was played last or has
// fired while the sample stayed in its window.
bool MayFire(const kerbcall::TriggerState& before, int note) {
    return note != before.lastTriggeredIndex &&
           std::ranges::find(before.firedAndInside, note) == before.firedAndInside.end();
}

void CheckPass(const std::vector<kerbcall::PaceNote>& notes, const kerbcall::TriggerState& before,
               const kerbcall::TriggerState& after, std::optional<int> fired, float sample) {
    std::optional<int> expected;
    for (std::size_t i = 0; i < notes.size() && !expected; ++i) {
        if (InWindow(notes[i], sample) && MayFire(before, static_cast<int>(i))) {
            expected = static_cast<int>(i);
        }
    }
    Require(fired == expected);
    Require(after.lastTriggeredIndex == fired.value_or(before.lastTriggeredIndex));
    Require(!fired || std::ranges::find(after.firedAndInside, *fired) != after.firedAndInside.end());
    for (const int note : after.firedAndInside) {
        Require(note >= 0 && static_cast<std::size_t>(note) < notes.size());
        Require(InWindow(notes[static_cast<std::size_t>(note)], sample));
    }
}

// The notes found holding the sample are exactly those whose windows hold
// it, in order of distance.
void CheckHolding(const std::vector<kerbcall::PaceNote>& notes, const kerbcall::NoteWindows& windows, float sample) {
    const std::span<const int> holding = windows.NotesHolding(sample);
    const auto inWindow =
        std::ranges::count_if(notes, [&](const kerbcall::PaceNote& note) { return InWindow(note, sample); });
    Require(std::cmp_equal(holding.size(), inWindow));
    for (std::size_t i = 0; i < holding.size(); ++i) {
        Require(holding[i] >= 0 && std::cmp_less(holding[i], notes.size()));
        const kerbcall::PaceNote& note = notes[static_cast<std::size_t>(holding[i])];
        Require(InWindow(note, sample));
        Require(i == 0 || notes[static_cast<std::size_t>(holding[i - 1])].triggerDistance <= note.triggerDistance);
    }
}

// Distances near each other make windows overlap; the rest spans the range.
std::int32_t ConsumeDistance(FuzzedDataProvider& input) {
    return input.ConsumeBool() ? input.ConsumeIntegralInRange<std::int32_t>(-40, 40)
                               : input.ConsumeIntegral<std::int32_t>();
}

// Either any bit pattern (NaN and infinities included) or a point near a
// note's window, where the decisions are made.
float ConsumeSample(FuzzedDataProvider& input, const std::vector<kerbcall::PaceNote>& notes) {
    if (notes.empty() || input.ConsumeBool()) {
        return std::bit_cast<float>(input.ConsumeIntegral<std::uint32_t>());
    }
    const auto& note = notes[input.ConsumeIntegralInRange<std::size_t>(0, notes.size() - 1)];
    const double offset = input.ConsumeIntegralInRange<int>(-48, 48) / 4.0;
    return static_cast<float>(note.triggerDistance + offset);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    std::vector<kerbcall::PaceNote> notes(input.ConsumeIntegralInRange<std::size_t>(0, kerbcall::kNoteTableSize));
    for (kerbcall::PaceNote& note : notes) {
        note.triggerDistance = ConsumeDistance(input);
    }
    const kerbcall::NoteWindows windows(notes);
    Require(windows.size() == notes.size());
    kerbcall::TriggerState state;
    while (input.remaining_bytes() > 0) {
        const float sample = ConsumeSample(input, notes);
        CheckHolding(notes, windows, sample);
        const kerbcall::TriggerState before = state;
        const std::optional<int> fired = kerbcall::DecidePass(windows, state, sample);
        CheckPass(notes, before, state, fired, sample);
    }
    return 0;
}
