#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <variant>

#include <CLI/CLI.hpp>

#include "engine/note_file.h"

namespace kerbcall::cli {

// A note file's bytes and the program's reading of them. The reading's line
// texts point into the bytes, so the two are kept together and never copied
// or moved.
class LoadedNoteFile {
public:
    explicit LoadedNoteFile(std::string bytes) : bytes_(std::move(bytes)), reading_(ParseNoteFile(bytes_)) {}
    LoadedNoteFile(const LoadedNoteFile&) = delete;
    LoadedNoteFile& operator=(const LoadedNoteFile&) = delete;

    const std::string& Bytes() const { return bytes_; }
    const NoteFileReading& Reading() const { return reading_; }

private:
    const std::string bytes_;
    const NoteFileReading reading_;
};

// The file's bytes, read as the program reads a note file: a file larger than
// the program reads is refused.
std::variant<std::string, NoteFileFault> ReadFileBytes(const std::string& path);

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
