#pragma once

#include <optional>
#include <string>
#include <string_view>

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

}  // namespace kerbcall::posix
