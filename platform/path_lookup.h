#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kerbcall::platform {

// Finds an existing file or folder for a path written as on Windows: "\" and
// "/" both separate components, and where a component does not exist as
// written, an entry of the same name in another letter case is taken (the
// first in name order). A path that names an entry exactly as written, "\"
// and all, is that entry. nullopt when nothing matches.
std::optional<std::string> LookUpPath(std::string_view path);

}  // namespace kerbcall::platform
