#include "platform/path_lookup.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/ascii_case.h"

namespace kerbcall::platform {

namespace {

namespace fs = std::filesystem;

bool Exists(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error)) && !error;
}

// The entry of `folder` named `component` in any letter case.
std::optional<fs::path> FindIgnoringCase(const fs::path& folder, std::string_view component) {
    std::error_code error;
    std::vector<std::string> matches;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, error), end; !error && it != end;
         it.increment(error)) {
        std::string name = it->path().filename().string();
        if (EqualIgnoringAsciiCase(name, component)) {
            matches.push_back(std::move(name));
        }
    }
    if (matches.empty()) {
        return std::nullopt;
    }
    return folder / *std::ranges::min_element(matches);
}

}  // namespace

std::optional<std::string> LookUpPath(std::string_view path) {
    // A name as Linux keeps it (a note file chosen from a listing) may hold "\".
    if (Exists(fs::path(path))) {
        return std::string(path);
    }
    std::string native(path);
    std::ranges::replace(native, '\\', '/');
    if (Exists(native)) {
        return native;
    }
    fs::path resolved = native.starts_with('/') ? fs::path("/") : fs::path();
    std::string_view rest(native);
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view component = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (component.empty() || component == ".") {
            continue;
        }
        fs::path candidate = resolved / component;
        if (component == ".." || Exists(candidate)) {
            resolved = std::move(candidate);
            continue;
        }
        std::optional<fs::path> match = FindIgnoringCase(resolved, component);
        if (!match) {
            return std::nullopt;
        }
        resolved = std::move(*match);
    }
    if (resolved.empty()) {
        return std::nullopt;
    }
    return resolved.string();
}

}  // namespace kerbcall::platform
