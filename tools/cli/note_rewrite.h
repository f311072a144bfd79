#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/note_file.h"

namespace kerbcall::cli {

// A note of the file read, by its index, and the distance it is to have.
struct MovedNote {
    std::size_t note = 0;
    std::int32_t distance = 0;
};

// A note line with another distance: the sound name and the comment from the
// first ";" on stay as written, the distance is written as a whole number.
std::string WithDistance(std::string_view noteLine, std::int32_t distance);

// The note file `bytes` (read as `contents`) with the notes `kept`, in that
// order, and with their new distances. The notes kept fill the places of the
// notes kept, in the order given; the lines of the notes left out go; every
// comment, heading and empty line stays where it was. Every line ends in
// CR LF. The result is read back as the program reads it and must give
// exactly the table intended; otherwise the fault says where it differs.
std::variant<std::string, NoteFileFault> RewriteNoteFile(std::string_view bytes, const NoteFileContents& contents,
                                                         const std::vector<MovedNote>& kept);

}  // namespace kerbcall::cli
