#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/note_file.h"

namespace kerbcall::cli {

// "line L (note N)", for messages about a note.
std::string NoteLineRef(const NoteFileContents& contents, std::size_t note);

// Hints for note authors about a file the program accepts, from its reading
// and its bytes (an encoding the program does not read as meant).
std::vector<std::string> NoteFileWarnings(const NoteFileContents& contents, std::string_view bytes);

}  // namespace kerbcall::cli
