#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kerbcall::platform {

// Paths use "\" as the separator, as the program joins them.
class Files {
public:
    virtual ~Files() = default;
    // True when a search of the file system for the path finds a file or a
    // folder; false for a path that ends in "\".
    virtual bool FileExists(std::string_view sSource) = 0;
    // No note file comes near this; a larger file (or an endless device) is
    // not read at all.
    static constexpr std::size_t kLargestFile = std::size_t{64} << 20;

    // The whole file's bytes, or nullopt when it cannot be opened or read
    // (a folder, a vanished file, no permission) or is larger than
    // kLargestFile.
    virtual std::optional<std::string> ReadWholeFile(std::string_view path) = 0;
    // True when the path names something that is not a regular file (a
    // folder, a device, a pipe) or a file larger than kLargestFile: reading
    // it could take without bound. False for a regular file within the bound
    // and for a path that names nothing.
    virtual bool IsSpecialOrTooLarge(std::string_view path) = 0;
};

}  // namespace kerbcall::platform
