// kerbcall-cli edit: shifts, scales, cuts and sorts a note file's distances.
#include <CLI/CLI.hpp>

#include <cmath>
#include <iostream>
#include <memory>

#include "tools/cli/bench_commands.h"
#include "tools/cli/note_edit.h"

namespace kerbcall::cli {

void AddEditCommand(CommandLine& commandLine) {
    struct Options {
        RewriteTarget target;
        DistanceEdit edit;
        double scale = 1.0;
        CLI::Option* scaleOption = nullptr;
    };
    const auto options = std::make_shared<Options>();
    CLI::App& command = commandLine.AddCommand(
        "edit", "Shift, scale, cut out and sort a note file's distances, in that order; comments stay as written",
        [options] {
            if (options->scaleOption->count() != 0) {
                if (!std::isfinite(options->scale) || options->scale <= 0.0) {
                    std::cerr << "kerbcall-cli edit: --scale must be a number above 0\n";
                    return kExitUsage;
                }
                options->edit.scale = options->scale;
            }
            if (options->edit.from && *options->edit.from > *options->edit.to) {
                std::cerr << "kerbcall-cli edit: --from must not lie beyond --to\n";
                return kExitUsage;
            }
            return RewriteNotes("edit", options->target, [&](const NoteFileContents& contents) {
                return EditDistances(contents, options->edit);
            });
        });
    AddRewriteOptions(command, options->target);
    command.add_option("--shift", options->edit.shift, "add D to every distance");
    options->scaleOption = command.add_option("--scale", options->scale, "multiply every distance by F");
    CLI::Option* from = command.add_option("--from", options->edit.from, "keep the notes from distance A ...");
    CLI::Option* to = command.add_option("--to", options->edit.to, "... up to distance B");
    from->needs(to);
    to->needs(from);
    command.add_flag("--rebase", options->edit.rebase, "subtract A from the distances kept")->needs(from);
    command.add_flag("--sort", options->edit.sort, "order the notes by distance");
}

}  // namespace kerbcall::cli
