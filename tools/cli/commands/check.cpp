#include "tools/cli/commands/commands.h"

#include <cmath>
#include <iomanip>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

#include "tools/cli/drive/drive_options.h"
#include "tools/cli/json_text.h"
#include "tools/cli/notes/note_loading.h"
#include "tools/cli/notes/note_warnings.h"
#include "tools/cli/sound/sound_check.h"

namespace kerbcall::cli {

namespace {

struct CheckOptions {
    NoteFileOptions noteFile;
    std::optional<std::string> soundFolder;
    DriveOptions drive;
    bool strict = false;
};

// Seconds to the millisecond; null when not known.
Json SecondsJson(std::optional<double> seconds) {
    return seconds ? Json(std::round(*seconds * 1000.0) / 1000.0) : Json(nullptr);
}

std::string SecondsText(double seconds) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(2) << seconds << " s";
    return text.str();
}

std::string NoteText(const NoteFileContents& contents, int note) {
    return "note " + std::to_string(note) + " (" + contents.notes[static_cast<std::size_t>(note)].soundFile + ")";
}

Json SoundsJson(const SoundCheck& sounds) {
    Json json = Json::object();
    for (const auto& [name, report] : sounds.sounds) {
        json[NameToUtf8(name)] = {
            {"found", report.found},
            {"folder", report.found ? Json(NameToUtf8(report.folder)) : Json(nullptr)},
            {"duration", SecondsJson(report.timing ? std::optional(report.timing->duration) : std::nullopt)},
            {"leadingSilence",
             SecondsJson(report.timing ? std::optional(report.timing->leadingSilence) : std::nullopt)}};
    }
    return json;
}

void PrintSounds(const SoundCheck& sounds) {
    for (const auto& [name, report] : sounds.sounds) {
        std::cout << "sound \"" << name << "\": ";
        if (!report.found) {
            std::cout << "not found\n";
            continue;
        }
        if (report.timing) {
            std::cout << SecondsText(report.timing->duration) << ", silent for the first "
                      << std::lround(report.timing->leadingSilence * 1000.0) << " ms";
        } else {
            std::cout << (sounds.timed ? "cannot be decoded" : "found");
        }
        std::cout << ", in " << report.folder << '\n';
    }
}

Json CallsJson(const NoteFileContents& contents, const DriveResult& drive) {
    Json calls = Json::array();
    for (const Call& call : drive.calls) {
        calls.push_back({{"note", call.note},
                         {"soundFile", NameToUtf8(contents.notes[static_cast<std::size_t>(call.note)].soundFile)},
                         {"firesAt", SecondsJson(call.firesAt)},
                         {"heardFor", SecondsJson(call.heardFor)},
                         {"cutOffBy", call.cutOffBy ? Json(*call.cutOffBy) : Json(nullptr)}});
    }
    return calls;
}

void PrintCalls(const NoteFileContents& contents, const DriveMotion& motion, const DriveResult& drive) {
    for (const Call& call : drive.calls) {
        std::cout << NoteText(contents, call.note);
        if (call.cutOffBy) {
            const double heard = *call.heardFor;
            // heardFor is at least a sample period: the next call comes on a later pass.
            const double speed =
                std::fabs(motion.DistanceAt(call.firesAt + heard) - motion.DistanceAt(call.firesAt)) / heard;
            std::cout << " is cut off after " << SecondsText(heard) << " of " << SecondsText(*call.soundLength)
                      << " by note " << *call.cutOffBy << " at " << std::setprecision(3) << speed << " units/s\n";
        } else if (!call.heardFor) {
            std::cout << " fires at " << SecondsText(call.firesAt) << '\n';
        } else if (*call.heardFor == 0.0) {
            std::cout << " fires at " << SecondsText(call.firesAt) << " but nothing is heard\n";
        } else {
            std::cout << " fires at " << SecondsText(call.firesAt) << " and is heard in full, "
                      << SecondsText(*call.heardFor) << '\n';
        }
    }
    for (const int note : drive.neverFired) {
        std::cout << NoteText(contents, note) << " is never called " << motion.description << '\n';
    }
}

void PrintCheck(const NoteFileContents& contents, const std::optional<DriveMotion>& motion, const SoundCheck& sounds,
                const std::optional<DriveResult>& drive, const std::vector<std::string>& warnings) {
    for (std::size_t i = 0; i < contents.notes.size(); ++i) {
        std::cout << i << '\t' << contents.notes[i].triggerDistance << '\t' << contents.notes[i].soundFile << '\n';
    }
    PrintSounds(sounds);
    if (drive) {
        PrintCalls(contents, *motion, *drive);
    }
    for (const std::string& warning : warnings) {
        std::cerr << "warning: " << warning << '\n';
    }
}

int Check(const CheckOptions& options, const NoteFileContents& contents, std::string_view bytes) {
    std::optional<DriveMotion> motion;
    if (auto made = MakeDriveMotion(options.drive, contents.notes)) {
        if (const auto* problem = std::get_if<std::string>(&*made)) {
            std::cerr << "kerbcall-cli: " << *problem << '\n';
            return kExitRejected;
        }
        motion = std::move(std::get<DriveMotion>(*made));
    }
    std::vector<std::string> warnings = NoteFileWarnings(contents, bytes);
    const std::unique_ptr<SoundDecoder> decoder = MakeSoundDecoder();
    SoundPlatform soundPlatform = MakeSoundPlatform();
    if (!decoder && (options.soundFolder || motion)) {
        warnings.push_back(NoDecoderWarning());
    }
    const SoundCheck sounds =
        CheckSounds(contents, SoundSearch(soundPlatform, options.soundFolder), decoder.get(), warnings);
    std::optional<DriveResult> drive;
    if (motion) {
        drive = DriveWithSounds(contents, *motion, sounds);
    }
    if (options.noteFile.json) {
        Json notes = Json::array();
        for (const PaceNote& note : contents.notes) {
            notes.push_back({{"soundFile", NameToUtf8(note.soundFile)}, {"triggerDistance", note.triggerDistance}});
        }
        Json report = {{"lastNoteIndex", static_cast<int>(contents.notes.size()) - 1}, {"notes", std::move(notes)}};
        report["sounds"] = SoundsJson(sounds);
        if (drive) {
            report["calls"] = CallsJson(contents, *drive);
            report["neverFired"] = drive->neverFired;
        }
        Json warningTexts = Json::array();
        for (const std::string& warning : warnings) {
            warningTexts.push_back(NameToUtf8(warning));
        }
        report["warnings"] = std::move(warningTexts);
        std::cout << report.dump() << '\n';
    } else {
        PrintCheck(contents, motion, sounds, drive, warnings);
    }
    return options.strict && !warnings.empty() ? kExitRejected : 0;
}

}  // namespace

void AddCheckCommand(CommandLine& commandLine) {
    auto options = std::make_shared<CheckOptions>();
    CLI::App& command = commandLine.AddCommand(
        "check", "Print the notes as Kerbcall reads them, with warnings; time the sounds and drive the stage",
        [options] {
            return WithNoteFile(options->noteFile, [&](const NoteFileContents& contents, std::string_view bytes) {
                return Check(*options, contents, bytes);
            });
        });
    AddNoteFileOptions(command, options->noteFile);
    command.add_option("--sounds", options->soundFolder,
                       "Look for the notes' sound files in this folder (default: where the program looks)");
    AddDriveOptions(command, options->drive);
    command.add_flag("--strict", options->strict, "Exit with status 1 when there is any warning");
}

}  // namespace kerbcall::cli
