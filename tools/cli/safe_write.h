#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kerbcall::cli {

struct OutputRules {
    bool inPlace = false;  // OUT may be the input file itself
    bool force = false;    // OUT may be an existing file other than the input
};

// Why the command may not write `out`, given the file it read (empty for
// none); an empty text when it may. Nothing is touched.
std::string OutputProblem(const std::filesystem::path& out, const std::filesystem::path& input,
                          const OutputRules& rules);

// Writes `bytes` to a new file in the folder of `out`, flushes it to disk and
// renames it over `out`, so that `out` is at every moment either the old file
// or the whole new one. The replaced file's permissions are kept. An error
// text, or empty when written; on an error nothing is left behind.
std::string WriteBesideAndRename(const std::filesystem::path& out, std::string_view bytes);

// `what`, a colon and the system's text for errno.
std::string SystemError(const std::string& what);

}  // namespace kerbcall::cli
