// kerbcall-cli lead: moves each note to where the car stood a set time before
// it, on a recorded lap, so that its call comes that long ahead.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <iostream>
#include <memory>

#include "tools/cli/commands/commands.h"
#include "tools/cli/drive/drive_options.h"
#include "tools/cli/notes/note_rewrite.h"
#include "tools/sim/sim_motion.h"

namespace kerbcall::cli {

namespace {

struct Lead {
    double seconds = 0.0;
    bool keepUnreachable = false;
};

// Each note moved to where the car stood `lead.seconds` before it first
// reached the note's distance on the lap (a replay of the stand-in
// simulator). A note the lap does not reach, or reaches too soon after its
// start, is a fault naming it, or with keepUnreachable stays where it is and
// gets a line in `warnings`.
std::variant<std::vector<MovedNote>, NoteFileFault> LeadDistances(const NoteFileContents& contents,
                                                                  const std::vector<sim::ReplayPoint>& lap,
                                                                  const Lead& lead, std::vector<std::string>& warnings);

std::string NoteName(const NoteFileContents& contents, std::size_t note) {
    const PaceNote& pace = contents.notes[note];
    return (pace.soundFile.empty() ? std::string("the note") : pace.soundFile) + " at " +
           std::to_string(pace.triggerDistance);
}

std::variant<std::vector<MovedNote>, NoteFileFault> LeadDistances(const NoteFileContents& contents,
                                                                  const std::vector<sim::ReplayPoint>& lap,
                                                                  const Lead& lead,
                                                                  std::vector<std::string>& warnings) {
    std::vector<MovedNote> moved;
    for (std::size_t note = 0; note < contents.notes.size(); ++note) {
        const std::int32_t distance = contents.notes[note].triggerDistance;
        const auto reached = std::ranges::find_if(
            lap, [&](const sim::ReplayPoint& point) { return static_cast<double>(point.distance) >= distance; });
        std::string problem;
        std::int32_t earlier = distance;
        if (reached == lap.end()) {
            problem = "the lap never reaches it";
        } else if (reached->seconds - lap.front().seconds < lead.seconds) {
            std::ostringstream text;
            text << "the lap reaches it " << reached->seconds - lap.front().seconds << " s after its start, less than "
                 << lead.seconds << " s";
            problem = text.str();
        } else if (const float there = sim::PositionAt(lap, reached->seconds - lead.seconds).distance;
                   !RoundToDistance(there, earlier)) {
            return DistanceOutOfRange(contents, note, there);
        }
        if (!problem.empty() && !lead.keepUnreachable) {
            return NoteFileFault{contents.noteLines[note], NoteName(contents, note) + ": " + problem};
        }
        if (!problem.empty()) {
            warnings.push_back("line " + std::to_string(contents.noteLines[note]) + ": " + NoteName(contents, note) +
                               ": " + problem + "; kept where it is");
        }
        moved.push_back({note, earlier});
    }
    return moved;
}

}  // namespace

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
