#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <CLI/CLI.hpp>

#include "engine/note_file.h"
#include "tools/cli/output/output_rule.h"

namespace kerbcall::cli {

// A note of the file read, by its index, and the distance it is to have.
struct MovedNote {
    std::size_t note = 0;
    std::int32_t distance = 0;
};

// The fault for a note whose new distance, `value`, would leave the 32-bit range.
NoteFileFault DistanceOutOfRange(const NoteFileContents& contents, std::size_t note, double value);

// The note file `bytes` (read as `contents`) with the notes `kept`, in that
// order, and with their new distances. The notes kept fill the places of the
// notes kept, in the order given; the lines of the notes left out go; every
// other line stays where it was. Of a note line only the characters of its
// distance change; every line keeps its line end. A line whose distance
// cannot be changed alone is a fault naming it. The result is read back as
// the program reads it and must give exactly the lines and the table
// intended.
std::variant<std::string, NoteFileFault> RewriteNoteFile(std::string_view bytes, const NoteFileContents& contents,
                                                         const std::vector<MovedNote>& kept);

// The note file a command rewrites and where the result goes.
struct RewriteTarget {
    std::string file;
    std::string out;  // empty with --in-place: the file itself
    OutputRules rules;
};

// FILE, -o OUT, --in-place and --force.
void AddRewriteOptions(CLI::App& command, RewriteTarget& target);

using NotePlan = std::function<std::variant<std::vector<MovedNote>, NoteFileFault>(const NoteFileContents&)>;

// Reads the target's file as the program does, moves its notes by `plan` and
// writes the result safely by the output rule (`otherInputs`: the other files
// the command reads); says on standard error what went wrong and writes
// nothing then. The exit status.
int RewriteNotes(const std::string& command, const RewriteTarget& target,
                 std::initializer_list<std::filesystem::path> otherInputs, const NotePlan& plan);

}  // namespace kerbcall::cli
