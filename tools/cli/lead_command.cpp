// kerbcall-cli lead: moves each note to where the car stood a set time before
// it, on a recorded lap, so that its call comes that long ahead.
#include <CLI/CLI.hpp>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>

#include "tools/cli/bench_commands.h"
#include "tools/cli/note_edit.h"
#include "tools/sim/sim_motion.h"

namespace kerbcall::cli {

namespace {

std::variant<std::vector<sim::ReplayPoint>, std::string> ReadLap(const std::string& path) {
    std::error_code error;
    std::ifstream input;
    if (std::filesystem::is_regular_file(path, error)) {
        input.open(path, std::ios::binary);
    }
    if (!input.is_open()) {
        return "cannot be read";
    }
    const std::string text((std::istreambuf_iterator<char>(input)), std::istreambuf_iterator<char>());
    if (input.bad()) {
        return "cannot be read";
    }
    auto lap = sim::ParseReplay(text);
    if (const auto* points = std::get_if<std::vector<sim::ReplayPoint>>(&lap); points != nullptr && points->empty()) {
        return "holds no SECONDS,DISTANCE line";
    }
    return lap;
}

}  // namespace

void AddLeadCommand(CLI::App& app, int& exitStatus) {
    struct Options {
        RewriteTarget target;
        std::string lapFile;
        Lead lead;
    };
    const auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "lead", "Move each note to where the car was S seconds before it on a lap (SECONDS,DISTANCE lines)");
    AddRewriteOptions(*command, options->target);
    command->add_option("--lap", options->lapFile, "the lap, as kerbcall-sim --replay reads it")->required();
    command->add_option("--seconds", options->lead.seconds, "how long before the place its call starts")->required();
    command->add_flag("--keep-unreachable", options->lead.keepUnreachable,
                      "keep a note the lap does not reach early enough where it is, with a warning");
    command->callback([options, &exitStatus] {
        if (!std::isfinite(options->lead.seconds) || options->lead.seconds <= 0.0) {
            std::cerr << "kerbcall-cli lead: --seconds must be a number above 0\n";
            exitStatus = kExitUsage;
            return;
        }
        const auto lap = ReadLap(options->lapFile);
        if (const auto* problem = std::get_if<std::string>(&lap)) {
            std::cerr << "kerbcall-cli lead: " << options->lapFile << ": " << *problem << "; nothing written\n";
            exitStatus = kExitRejected;
            return;
        }
        std::vector<std::string> warnings;
        exitStatus = RewriteNotes("lead", options->target, [&](const NoteFileContents& contents) {
            return LeadDistances(contents, std::get<std::vector<sim::ReplayPoint>>(lap), options->lead, warnings);
        });
        for (const std::string& warning : warnings) {
            std::cerr << "warning: " << warning << '\n';
        }
    });
}

}  // namespace kerbcall::cli
