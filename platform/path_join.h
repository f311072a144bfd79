#pragma once

#include <string>
#include <string_view>

namespace kerbcall::platform {

// Joins a folder and a name with one "\" between them, or none where the
// folder already ends in a separator (a drive's or the file system's root)
// or is empty.
inline std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string joined(folder);
    if (!joined.empty() && joined.back() != '\\' && joined.back() != '/') {
        joined += '\\';
    }
    joined += name;
    return joined;
}

}  // namespace kerbcall::platform
