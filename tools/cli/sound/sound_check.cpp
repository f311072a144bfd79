#include "tools/cli/sound/sound_check.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <variant>

#include "platform/path_lookup.h"
#include "tools/cli/notes/note_warnings.h"

namespace kerbcall::cli {

namespace {

// Silence before the first sound that an author would hear as a late call.
constexpr double kLateStart = 0.050;

// "A", "A or B", "A, B or C".
std::string Listed(const std::vector<SoundFolder>& folders, const char* last) {
    std::string text;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == folders.size() ? last : ", ") + folders[i].path;
    }
    return text;
}

}  // namespace

std::vector<SoundFolder> FindSoundFolders(const std::optional<std::string>& given) {
    std::vector<SoundFolder> folders;
    for (const std::string& path : given ? std::vector<std::string>{*given} : ProgramSoundFolders()) {
        std::error_code error;
        folders.push_back({path, std::filesystem::is_directory(path, error)});
    }
    return folders;
}

std::string NoDecoderWarning() {
    return "sound timing is not available in this build of kerbcall-cli (it has no sound decoder): durations, late "
           "starts and cut-offs are left out; the Linux kerbcall-cli gives them";
}

SoundCheck CheckSounds(const NoteFileContents& contents, const std::vector<SoundFolder>& folders, SoundDecoder* decoder,
                       std::vector<std::string>& warnings) {
    SoundCheck check;
    const bool anyFolder = std::ranges::any_of(folders, &SoundFolder::exists);
    if (!anyFolder) {
        const std::string missing = folders.size() == 1 ? "the sound folder " + Listed(folders, "") + " does not exist"
                                                        : "neither sound folder exists: " + Listed(folders, " nor ");
        warnings.push_back(missing + ": no call would be heard");
    }
    check.timed = decoder != nullptr;
    std::map<std::string, std::variant<SoundTiming, std::string>> decodedFiles;
    for (std::size_t i = 0; i < contents.notes.size(); ++i) {
        const std::string& name = contents.notes[i].soundFile;
        if (name.empty() || check.sounds.contains(name)) {
            continue;
        }
        SoundReport& report = check.sounds[name];
        std::optional<std::string> path;
        for (const SoundFolder& folder : folders) {
            if (folder.exists && (path = platform::LookUpPath(folder.path + "/" + name))) {
                report.folder = folder.path;
                break;
            }
        }
        report.found = path.has_value();
        const std::string quoted = NoteLineRef(contents, i) + ": sound file \"" + name + "\"";
        if (!path) {
            if (anyFolder) {
                warnings.push_back(quoted + " is not in " + Listed(folders, " or "));
            }
            continue;
        }
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
