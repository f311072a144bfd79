#include "engine/trigger_loop.h"

#include <algorithm>

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
}

std::optional<int> DecidePass(const NoteWindows& windows, TriggerState& state, float sample) {
    const double position = sample;
    std::erase_if(state.firedAndInside,
                  [&](int note) { return !windows.Holds(static_cast<std::size_t>(note), position); });
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (!windows.Holds(i, position)) {
            continue;
        }
        const int note = static_cast<int>(i);
        if (note == state.lastTriggeredIndex ||
            std::ranges::find(state.firedAndInside, note) != state.firedAndInside.end()) {
            continue;
        }
        state.lastTriggeredIndex = note;
        state.firedAndInside.push_back(note);
        return note;
    }
    return std::nullopt;
}

void RunTriggerLoop(const Globals& globals, PositionReader& position, SoundPlayer& sound, platform::MessagePump& pump,
                    bool& stopRequested) {
    stopRequested = false;
    const std::size_t noteCount = std::min(static_cast<std::size_t>(globals.lastNoteIndex + 1), kNoteTableSize);
    const NoteWindows windows(std::span(globals.paceNotes).first(noteCount));
    TriggerState state;
    while (!stopRequested) {
        position.SamplePosition();
        if (const std::optional<int> note = DecidePass(windows, state, position.currentPosition)) {
            sound.CloseSound();
            sound.PlaySound(globals.paceNotes[static_cast<std::size_t>(*note)].soundFile, false, "");
        }
        pump.HandlePendingMessages();
    }
}

}  // namespace kerbcall
