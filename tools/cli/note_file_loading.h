#pragma once

#include <functional>
#include <string>
#include <string_view>

#include <CLI/CLI.hpp>

#include "engine/note_file.h"

namespace kerbcall::cli {

// The arguments every command on a note file takes.
struct NoteFileOptions {
    std::string file;
    bool json = false;
};

// Adds FILE and --json to the command.
void AddNoteFileOptions(CLI::App& command, NoteFileOptions& options);

// Loads the note file as the program would, then runs `command` on the
// notes and the file's bytes; a file the program rejects is reported with
// the program's own message and exit status 1.
int WithNoteFile(const NoteFileOptions& options,
                 const std::function<int(const NoteFileContents&, std::string_view bytes)>& command);

}  // namespace kerbcall::cli
