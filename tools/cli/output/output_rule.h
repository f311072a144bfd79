#pragma once

#include <filesystem>
#include <string>

#include "platform/safe_write.h"

namespace kerbcall::cli {

using platform::SystemError;
using platform::WriteBesideAndRename;

struct OutputRules {
    bool inPlace = false;  // OUT may be the input file itself
    bool force = false;    // OUT may be an existing file other than the input
};

// Why the command may not write `out`, given the file it read (empty for
// none); an empty text when it may. Nothing is touched.
std::string OutputProblem(const std::filesystem::path& out, const std::filesystem::path& input,
                          const OutputRules& rules);

}  // namespace kerbcall::cli
