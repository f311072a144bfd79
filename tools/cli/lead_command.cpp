// kerbcall-cli lead: moves each note to where the car stood a set time before
// it, on a recorded lap, so that its call comes that long ahead.
#include <CLI/CLI.hpp>

#include <cmath>
#include <iostream>
#include <memory>

#include "tools/cli/bench_commands.h"
#include "tools/cli/drive_options.h"
#include "tools/cli/note_edit.h"
#include "tools/sim/sim_motion.h"

namespace kerbcall::cli {

void AddLeadCommand(CommandLine& commandLine) {
    struct Options {
        RewriteTarget target;
        std::string lapFile;
        Lead lead;
    };
    const auto options = std::make_shared<Options>();
    CLI::App& command = commandLine.AddCommand(
        "lead", "Move each note to where the car was S seconds before it on a lap (SECONDS,DISTANCE lines)", [options] {
            if (!std::isfinite(options->lead.seconds) || options->lead.seconds <= 0.0) {
                std::cerr << "kerbcall-cli lead: --seconds must be a number above 0\n";
                return kExitUsage;
            }
            const auto lap = ReadLapFile(options->lapFile);
            if (const auto* problem = std::get_if<std::string>(&lap)) {
                std::cerr << "kerbcall-cli lead: " << options->lapFile << ": " << *problem << "; nothing written\n";
                return kExitRejected;
            }
            std::vector<std::string> warnings;
            const int status = RewriteNotes("lead", options->target, [&](const NoteFileContents& contents) {
                return LeadDistances(contents, std::get<std::vector<sim::ReplayPoint>>(lap), options->lead, warnings);
            });
            for (const std::string& warning : warnings) {
                std::cerr << "warning: " << warning << '\n';
            }
            return status;
        });
    AddRewriteOptions(command, options->target);
    command.add_option("--lap", options->lapFile, "the lap, as kerbcall-sim --replay reads it")->required();
    command.add_option("--seconds", options->lead.seconds, "how long before the place its call starts")->required();
    command.add_flag("--keep-unreachable", options->lead.keepUnreachable,
                     "keep a note the lap does not reach early enough where it is, with a warning");
}

}  // namespace kerbcall::cli
