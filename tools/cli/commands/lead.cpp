// kerbcall-cli lead: moves each note to where the car stood a set time before
// it, on a recorded lap, so that its call comes that long ahead.
#include <CLI/CLI.hpp>

#include <cmath>
#include <iostream>
#include <memory>
#include <sstream>

#include "tools/cli/commands/commands.h"
#include "tools/cli/drive/drive_options.h"
#include "tools/cli/notes/note_rewrite.h"

namespace kerbcall::cli {

namespace {

std::string NoteName(const PaceNote& note) {
    return (note.soundFile.empty() ? std::string("the note") : note.soundFile) + " at " +
           std::to_string(note.triggerDistance);
}

std::string Seconds(lap::Microseconds time) {
    std::ostringstream text;
    text << static_cast<double>(time) / lap::kMicrosecondsPerSecond << " s";
    return text.str();
}

// Each note moved to where the car stood `lead` before it first reached the
// note's distance on the lap. A note the lap does not reach, or reaches
// sooner than that after its start, is a fault naming it, or with
// `keepUnreachable` stays where it is and gets a line in `warnings`.
std::variant<std::vector<MovedNote>, NoteFileFault> LeadDistances(const NoteFileContents& contents, const lap::Lap& lap,
                                                                  lap::Microseconds lead, bool keepUnreachable,
                                                                  std::vector<std::string>& warnings) {
    std::vector<MovedNote> moved;
    for (std::size_t note = 0; note < contents.notes.size(); ++note) {
        const std::int32_t distance = contents.notes[note].triggerDistance;
        const std::optional<lap::Microseconds> reached = lap.FirstReaching(distance);
        std::string problem;
        std::int32_t earlier = distance;
        if (!reached) {
            problem = "the lap never reaches it";
        } else if (const lap::Microseconds afterStart = *reached - lap.Points().front().time; afterStart < lead) {
            problem = "the lap reaches it " + Seconds(afterStart) + " after its start, less than " + Seconds(lead);
        } else if (const double there = lap.DistanceAt(*reached - lead); !RoundToDistance(there, earlier)) {
            return DistanceOutOfRange(contents, note, there);
        }
        if (!problem.empty() && !keepUnreachable) {
            return NoteFileFault{contents.noteLines[note], NoteName(contents.notes[note]) + ": " + problem};
        }
        if (!problem.empty()) {
            warnings.push_back("line " + std::to_string(contents.noteLines[note]) + ": " +
                               NoteName(contents.notes[note]) + ": " + problem + "; kept where it is");
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
        double seconds = 0.0;
        bool keepUnreachable = false;
    };
    const auto options = std::make_shared<Options>();
    CLI::App& command = commandLine.AddCommand(
        "lead", "Move each note to where the car was S seconds before it on a lap (SECONDS,DISTANCE lines)", [options] {
            const std::optional<lap::Microseconds> lead = lap::ToMicroseconds(options->seconds);
            if (!lead || *lead == 0) {
                std::cerr << "kerbcall-cli lead: --seconds must be a number above 0, at most 1e12\n";
                return kExitUsage;
            }
            const auto lap = ReadLapFile(options->lapFile);
            if (const auto* problem = std::get_if<std::string>(&lap)) {
                std::cerr << "kerbcall-cli lead: " << *problem << "; nothing written\n";
                return kExitRejected;
            }
            std::vector<std::string> warnings;
            const int status =
                RewriteNotes("lead", options->target, {options->lapFile}, [&](const NoteFileContents& contents) {
                    return LeadDistances(contents, std::get<lap::Lap>(lap), *lead, options->keepUnreachable, warnings);
                });
            for (const std::string& warning : warnings) {
                std::cerr << "warning: " << warning << '\n';
            }
            return status;
        });
    AddRewriteOptions(command, options->target);
    command.add_option("--lap", options->lapFile, "the lap, as kerbcall-sim --replay reads it")->required();
    command.add_option("--seconds", options->seconds, "how long before the place its call starts")->required();
    command.add_flag("--keep-unreachable", options->keepUnreachable,
                     "keep a note the lap does not reach early enough where it is, with a warning");
}

}  // namespace kerbcall::cli
