#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kerbcall {

struct PaceNote {
    std::string soundFile;  // inside the sound folder, exactly as written
    std::int32_t triggerDistance = 0;
};

inline constexpr std::size_t kNoteTableSize = 2001;
inline constexpr char kProgramTitle[] = "ZRL Kerbcall";

// Program-wide state, created once by the program and handed to its users.
struct Globals {
    std::array<PaceNote, kNoteTableSize> paceNotes{};
    // Index of the last note loaded; -1 while no note is loaded.
    std::int16_t lastNoteIndex = -1;
    // Bare name of the chosen note file; empty until one is chosen.
    std::string noteFileName;
    // The folder it was chosen in; empty until then, and the note file is
    // then looked for in the program folder.
    std::string noteFolder;
};

}  // namespace kerbcall
