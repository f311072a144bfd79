#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/note_file.h"

namespace kerbcall::cli {

// Hints for note authors about a file the program accepts.
// `soundFolder`: when given, sound files missing from it are reported too.
std::vector<std::string> NoteFileWarnings(const NoteFileContents& contents,
                                          const std::optional<std::string>& soundFolder);

}  // namespace kerbcall::cli
