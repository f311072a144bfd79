#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>

#include "platform/safe_write.h"

namespace kerbcall::cli {

using platform::SystemError;
using platform::WriteBesideAndRename;

struct OutputRules {
    bool inPlace = false;  // OUT may be the note file the command rewrites
    bool force = false;    // an existing OUT that the command does not read may be replaced
    bool append = false;   // an existing OUT is added to, never cut
};

// The one rule for every file the bench writes: why the command may not
// write `out`, or an empty text when it may. OUT may be none of the files
// the command reads: `rewritten` (the note file it rewrites, empty for none)
// only with --in-place, the other `inputs` never. An existing OUT is kept
// unless --force (or added to where the command appends). A symbolic link
// is followed, to the file it leads to; one that leads nowhere is refused.
// OUT's folder must exist. Nothing is touched.
std::string OutputProblem(const std::filesystem::path& out, const std::filesystem::path& rewritten,
                          std::initializer_list<std::filesystem::path> inputs, const OutputRules& rules);

}  // namespace kerbcall::cli
