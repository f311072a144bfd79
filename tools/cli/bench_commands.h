#pragma once

#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "engine/note_file.h"
#include "tools/cli/command_line.h"
#include "tools/cli/note_rewrite.h"
#include "tools/cli/output_rule.h"

namespace kerbcall::cli {

// The author's bench: commands that write note files.
void AddEditCommand(CommandLine& commandLine);
void AddLeadCommand(CommandLine& commandLine);
void AddRecordCommand(CommandLine& commandLine);

// The note file a command rewrites and where the result goes.
struct RewriteTarget {
    std::string file;
    std::string out;  // empty with --in-place: the file itself
    OutputRules rules;
};

// FILE, -o OUT, --in-place and --force.
void AddRewriteOptions(CLI::App& command, RewriteTarget& target);

using NotePlan = std::function<std::variant<std::vector<MovedNote>, NoteFileFault>(const NoteFileContents&)>;

// Reads the target's file as the program does, moves its notes by `plan` and
// writes the result safely; says on standard error what went wrong and writes
// nothing then. The exit status.
int RewriteNotes(const std::string& command, const RewriteTarget& target, const NotePlan& plan);

}  // namespace kerbcall::cli
