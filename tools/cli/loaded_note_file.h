#pragma once

#include <string>
#include <variant>

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

}  // namespace kerbcall::cli
