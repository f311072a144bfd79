// kerbcall-cli timeline: a picture of what a drive through the stage calls.
#include <filesystem>
#include <iostream>
#include <memory>

#include "tools/cli/commands/commands.h"
#include "tools/cli/drive/drive_options.h"
#include "tools/cli/drive/timeline_svg.h"
#include "tools/cli/notes/note_loading.h"
#include "tools/cli/output/output_rule.h"
#include "tools/cli/sound/sound_check.h"

namespace kerbcall::cli {

namespace {

struct TimelineOptions {
    NoteFileOptions noteFile;
    std::optional<std::string> soundFolder;
    DriveOptions drive;
    std::string out;
    bool force = false;
};

int Timeline(const TimelineOptions& options, const NoteFileContents& contents) {
    const std::string& lap = options.drive.lapOption->count() > 0 ? options.drive.lap : std::string();
    if (const std::string problem =
            OutputProblem(options.out, {}, {options.noteFile.file, lap}, {.force = options.force});
        !problem.empty()) {
        std::cerr << "kerbcall-cli timeline: " << problem << "; nothing written\n";
        return kExitRejected;
    }
    const auto made = MakeDriveMotion(options.drive, contents.notes).value();
    if (const auto* problem = std::get_if<std::string>(&made)) {
        std::cerr << "kerbcall-cli: " << *problem << '\n';
        return kExitRejected;
    }
    const DriveMotion& motion = std::get<DriveMotion>(made);
    std::vector<std::string> warnings;
    const std::unique_ptr<SoundDecoder> decoder = MakeSoundDecoder();
    SoundPlatform soundPlatform = MakeSoundPlatform();
    if (!decoder) {
        warnings.push_back(NoDecoderWarning());
    }
    const SoundCheck sounds =
        CheckSounds(contents, SoundSearch(soundPlatform, options.soundFolder), decoder.get(), warnings);
    for (const std::string& warning : warnings) {
        std::cerr << "warning: " << warning << '\n';
    }
    const DriveResult drive = DriveWithSounds(contents, motion, sounds);
    const std::string title =
        std::filesystem::path(options.noteFile.file).filename().string() + " driven " + motion.description;
    if (const std::string problem = WriteBesideAndRename(options.out, TimelineSvg(contents, motion, drive, title));
        !problem.empty()) {
        std::cerr << "kerbcall-cli: " << problem << '\n';
        return kExitRejected;
    }
    return 0;
}

}  // namespace

void AddTimelineCommand(CommandLine& commandLine) {
    auto options = std::make_shared<TimelineOptions>();
    CLI::App& command =
        commandLine.AddCommand("timeline", "Draw a drive through the stage as an SVG picture", [options] {
            if (options->drive.speedOption->count() == 0 && options->drive.lapOption->count() == 0) {
                throw CLI::RequiredError("--speed or --lap");
            }
            return WithNoteFile(options->noteFile, [&](const NoteFileContents& contents, std::string_view) {
                return Timeline(*options, contents);
            });
        });
    command.add_option("FILE", options->noteFile.file, "The note file")->required();
    command.add_option("--sounds", options->soundFolder,
                       "The folder of the notes' sound files (default: where the program looks)");
    AddDriveOptions(command, options->drive);
    command.add_option("-o,--output", options->out, "The SVG file to write")->required()->option_text("OUT.svg");
    command.add_flag("--force", options->force, "Write over an existing OUT.svg");
}

}  // namespace kerbcall::cli
