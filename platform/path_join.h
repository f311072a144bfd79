#pragma once

#include <string>
#include <string_view>

namespace kerbcall::platform {

// Joins a folder and a name with one separator between them, or none where
// the folder already ends in one (a drive's or the file system's root) or is
// empty: "/" after a Linux folder (it begins with "/"), so that a "\" in the
// name stays part of it, and "\" after any other.
inline std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string joined(folder);
    if (!joined.empty() && joined.back() != '\\' && joined.back() != '/') {
        joined += folder.starts_with('/') ? '/' : '\\';
    }
    joined += name;
    return joined;
}

}  // namespace kerbcall::platform
