#include "tools/cli/sound/sound_check.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <variant>

#include "platform/path_lookup.h"
#include "tools/cli/notes/note_warnings.h"

namespace kerbcall::cli {

namespace {

// Silence before the first sound that an author would hear as a late call.
constexpr double kLateStart = 0.050;

// A folder as the user finds it: in its letter case on disk, with the
// platform's separators; whether its files can be listed.
struct ShownFolder {
    std::string path;
    bool readable = false;
};

ShownFolder Show(const std::string& folder) {
    std::string shown = folder;
    std::ranges::replace(shown, '\\', static_cast<char>(std::filesystem::path::preferred_separator));
    const std::optional<std::string> found = platform::LookUpPath(folder);
    std::error_code error;
    if (found) {
        std::filesystem::directory_iterator(*found, error);
    }
    return {found ? *found : shown, found && !error};
}

// "A", "A or B", "A, B or C".
std::string Listed(const std::vector<ShownFolder>& folders, const char* last) {
    std::string text;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == folders.size() ? last : ", ") + folders[i].path;
    }
    return text;
}

}  // namespace

SoundSearch::SoundSearch(SoundPlatform& platform, const std::optional<std::string>& given)
    : files(*platform.files),
      folders(*platform.files, given ? std::vector<std::string>{*given} : platform.programFolders) {}

std::string NoDecoderWarning() {
    return "sound timing is not available in this build of kerbcall-cli (it has no sound decoder): durations, late "
           "starts and cut-offs are left out; the Linux kerbcall-cli gives them";
}

SoundCheck CheckSounds(const NoteFileContents& contents, const SoundSearch& search, SoundDecoder* decoder,
                       std::vector<std::string>& warnings) {
    SoundCheck check;
    std::vector<ShownFolder> folders;
    std::ranges::transform(search.folders.Folders(), std::back_inserter(folders), Show);
    const bool anyFolder = std::ranges::any_of(folders, &ShownFolder::readable);
    if (!anyFolder) {
        warnings.push_back((folders.size() == 1
                                ? "the sound folder " + folders[0].path + " does not exist or cannot be read"
                                : "no sound folder can be read (" + Listed(folders, " and ") + ")") +
                           ": no call would be heard");
    }
    check.timed = decoder != nullptr;
    std::map<std::string, std::variant<SoundTiming, std::string>> decodedFiles;
    for (std::size_t i = 0; i < contents.notes.size(); ++i) {
        const std::string& name = contents.notes[i].soundFile;
        if (name.empty() || check.sounds.contains(name)) {
            continue;
        }
        SoundReport& report = check.sounds[name];
        const std::string quoted = NoteLineRef(contents, i) + ": sound file \"" + name + "\"";
        // The program's own choice: the folder, the file it opens, what it refuses.
        const std::string programPath = search.folders.PathOf(name);
        if (search.files.IsSpecialOrTooLarge(programPath)) {
            warnings.push_back(quoted + " is not a regular file of at most 64 MiB: the program does not play it");
            continue;
        }
        const std::optional<std::string> path = platform::LookUpPath(programPath);
        report.found = path.has_value();
        if (!path) {
            if (anyFolder) {
                warnings.push_back(quoted + " is not in " + Listed(folders, " or "));
            }
            continue;
        }
        report.folder = std::filesystem::path(*path).parent_path().string();
        if (!decoder) {
            continue;
        }
        auto decoded = decodedFiles.find(*path);
        if (decoded == decodedFiles.end()) {
            decoded = decodedFiles.emplace(*path, decoder->Decode(*path)).first;
        }
        if (const auto* problem = std::get_if<std::string>(&decoded->second)) {
            warnings.push_back(quoted + " cannot be decoded (" + *problem + "): the call is silent");
            continue;
        }
        report.timing = std::get<SoundTiming>(decoded->second);
        if (report.timing->leadingSilence > kLateStart) {
            warnings.push_back(quoted + ": the call starts " +
                               std::to_string(std::lround(report.timing->leadingSilence * 1000.0)) +
                               " ms late (silence before its first sound above -40 dBFS)");
        }
    }
    return check;
}

std::optional<double> HeardLength(const SoundCheck& check, const std::string& soundFile) {
    const auto sound = check.sounds.find(soundFile);
    if (sound == check.sounds.end() || !sound->second.found) {
        return 0.0;
    }
    if (!check.timed) {
        return std::nullopt;
    }
    return sound->second.timing ? sound->second.timing->duration : 0.0;
}

DriveResult DriveWithSounds(const NoteFileContents& contents, const DriveMotion& motion, const SoundCheck& check) {
    return Drive(contents.notes, motion, [&](int note) {
        return HeardLength(check, contents.notes[static_cast<std::size_t>(note)].soundFile);
    });
}

}  // namespace kerbcall::cli
