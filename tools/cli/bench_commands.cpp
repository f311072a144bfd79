#include "tools/cli/bench_commands.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <memory>

#include "tools/cli/loaded_note_file.h"

namespace kerbcall::cli {

namespace {

std::string Where(const std::string& file, std::size_t line) {
    return line == 0 ? file : file + ":" + std::to_string(line);
}

}  // namespace

void AddRewriteOptions(CLI::App& command, RewriteTarget& target) {
    command.add_option("FILE", target.file, "the note file")->required();
    command.add_option("-o,--output", target.out, "the file to write");
    command.add_flag("--in-place", target.rules.inPlace, "write over FILE (through a new file renamed over it)");
    command.add_flag("--force", target.rules.force, "write over an existing OUT");
}

int RewriteNotes(const std::string& command, const RewriteTarget& target, const NotePlan& plan) {
    const std::string prefix = "kerbcall-cli " + command + ": ";
    if (target.out.empty() && !target.rules.inPlace) {
        std::cerr << prefix << "give -o OUT, or --in-place to write over " << target.file << '\n';
        return kExitUsage;
    }
    const std::string out = target.out.empty() ? target.file : target.out;
    std::error_code error;
    if (!std::filesystem::exists(target.file, error)) {
        std::cerr << prefix << target.file << ": no such file\n";
        return kExitRejected;
    }
    std::variant<std::string, NoteFileFault> bytes = ReadFileBytes(target.file);
    if (const auto* fault = std::get_if<NoteFileFault>(&bytes)) {
        std::cerr << prefix << target.file << ": " << fault->reason << '\n';
        return kExitRejected;
    }
    const auto loaded = std::make_unique<LoadedNoteFile>(std::move(std::get<std::string>(bytes)));
    if (const auto* fault = std::get_if<NoteFileFault>(&loaded->Reading())) {
        std::cerr << prefix << Where(target.file, fault->line) << ": " << fault->reason
                  << " (Kerbcall does not read this file)\n";
        return kExitRejected;
    }
    if (const std::string problem = OutputProblem(out, target.file, target.rules); !problem.empty()) {
        std::cerr << prefix << problem << "; nothing written\n";
        return kExitRejected;
    }
    const auto& contents = std::get<NoteFileContents>(loaded->Reading());
    const auto planned = plan(contents);
    if (const auto* fault = std::get_if<NoteFileFault>(&planned)) {
        std::cerr << prefix << Where(target.file, fault->line) << ": " << fault->reason << "; nothing written\n";
        return kExitRejected;
    }
    const auto& kept = std::get<std::vector<MovedNote>>(planned);
    const auto rewritten = RewriteNoteFile(loaded->Bytes(), contents, kept);
    if (const auto* fault = std::get_if<NoteFileFault>(&rewritten)) {
        std::cerr << prefix << (fault->line == 0 ? "" : "line " + std::to_string(fault->line) + " of the result: ")
                  << fault->reason << "; nothing written\n";
        return kExitRejected;
    }
    if (const std::string problem = WriteBesideAndRename(out, std::get<std::string>(rewritten)); !problem.empty()) {
        std::cerr << prefix << problem << "; nothing written\n";
        return kExitRejected;
    }
    std::cout << out << ": " << kept.size() << " of " << contents.notes.size() << " notes written\n";
    return 0;
}

}  // namespace kerbcall::cli
