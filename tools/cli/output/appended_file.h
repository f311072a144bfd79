#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kerbcall::cli {

// A file written a line at a time, as it goes: each line is in the file
// before Append returns. A new file is made whole with its first line,
// beside it, and renamed into place; an existing one is added to, never cut,
// or with `replace` replaced by that first file. Only the lines of this run
// can be taken back; a file this run made and took back to nothing is
// removed. POSIX only.
class AppendedFile {
public:
    AppendedFile(std::filesystem::path path, std::string lineEnd, bool replace);
    ~AppendedFile();
    AppendedFile(const AppendedFile&) = delete;
    AppendedFile& operator=(const AppendedFile&) = delete;

    // Why no line could be written, found before any is; empty when they can.
    std::string WriteProblem() const;

    // An error text, or empty when the line is in the file; with `toDisk`
    // also flushed to disk.
    std::string Append(const std::string& line, bool toDisk);

    // Takes the last line of this run back off the file; false when there
    // is none. `problem` says what went wrong on the way.
    bool RemoveLast(std::string& problem);

    // Flushes what was written to disk; an error text or empty.
    std::string Flush();

private:
    std::string Open();
    bool EndsWithLineEnd(off_t length) const;

    std::filesystem::path path_;
    std::string lineEnd_;
    bool replace_;
    bool made_ = false;  // by this run
    int file_ = -1;
    std::vector<off_t> lengthsBefore_;
};

}  // namespace kerbcall::cli
