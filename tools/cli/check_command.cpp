#include "tools/cli/check_command.h"

#include <iostream>
#include <memory>
#include <optional>

#include "tools/cli/json_text.h"
#include "tools/cli/note_check.h"
#include "tools/cli/note_file_loading.h"

namespace kerbcall::cli {

namespace {

struct CheckOptions {
    NoteFileOptions noteFile;
    std::string soundFolder;
    CLI::Option* soundFolderGiven = nullptr;
};

int Check(const CheckOptions& options, const NoteFileContents& contents) {
    const std::optional<std::string> soundFolder =
        options.soundFolderGiven->count() > 0 ? std::optional(options.soundFolder) : std::nullopt;
    const std::vector<std::string> warnings = NoteFileWarnings(contents, soundFolder);
    if (options.noteFile.json) {
        Json notes = Json::array();
        for (const PaceNote& note : contents.notes) {
            notes.push_back({{"soundFile", NameToUtf8(note.soundFile)}, {"triggerDistance", note.triggerDistance}});
        }
        Json warningTexts = Json::array();
        for (const std::string& warning : warnings) {
            warningTexts.push_back(NameToUtf8(warning));
        }
        const Json report = {{"lastNoteIndex", static_cast<int>(contents.notes.size()) - 1},
                             {"notes", std::move(notes)},
                             {"warnings", std::move(warningTexts)}};
        std::cout << report.dump() << '\n';
        return 0;
    }
    for (std::size_t i = 0; i < contents.notes.size(); ++i) {
        std::cout << i << '\t' << contents.notes[i].triggerDistance << '\t' << contents.notes[i].soundFile << '\n';
    }
    for (const std::string& warning : warnings) {
        std::cerr << "warning: " << warning << '\n';
    }
    return 0;
}

}  // namespace

void AddCheckCommand(CommandLine& commandLine) {
    auto options = std::make_shared<CheckOptions>();
    CLI::App& command =
        commandLine.AddCommand("check", "Print the notes as Kerbcall reads them, with warnings", [options] {
            return WithNoteFile(options->noteFile, [&](const NoteFileContents& contents, std::string_view) {
                return Check(*options, contents);
            });
        });
    AddNoteFileOptions(command, options->noteFile);
    options->soundFolderGiven =
        command.add_option("--sounds", options->soundFolder, "Also look for the notes' sound files in this folder");
}

}  // namespace kerbcall::cli
