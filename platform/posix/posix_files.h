#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace kerbcall::posix {

// Files named as the program names them on Windows: "\" (and "/") separate
// folders, and a component that does not exist as written is matched
// without regard to letter case.
class PosixFiles : public platform::Files {
public:
    // True for an existing file or folder; false for a path ending in a
    // separator, even when that folder exists. "*" and "?" in the last
    // component match as the Windows file search matches them, and only
    // they: "[" and "]" are characters like any other.
    bool FileExists(std::string_view sSource) override;
    // nullopt for a folder, a missing file, one that cannot be read and one
    // larger than kLargestFile.
    std::optional<std::string> ReadWholeFile(std::string_view path) override;
    // Looked at without opening it: opening a pipe waits for its writer.
    bool IsSpecialOrTooLarge(std::string_view path) override;
};

// The files (and links to files) of the folder whose names match the pattern
// as the Windows file search matches them, each name byte for byte as the
// file system keeps it, valid UTF-8 or not; none when the folder cannot be
// listed.
std::vector<std::string> FilesMatching(const std::string& folder, std::string_view pattern);

}  // namespace kerbcall::posix
