#include "tools/cli/sound/sound_check.h"

#include <cmath>
#include <filesystem>
#include <variant>

#include "platform/path_lookup.h"
#include "tools/cli/notes/note_warnings.h"

namespace kerbcall::cli {

namespace {

// Silence before the first sound that an author would hear as a late call.
constexpr double kLateStart = 0.050;

}  // namespace

SoundFolder FindSoundFolder(const std::string& given) {
    std::error_code error;
    return {given, std::filesystem::is_directory(given, error)};
}

SoundCheck CheckSounds(const NoteFileContents& contents, const SoundFolder& folder, SoundDecoder* decoder,
                       std::vector<std::string>& warnings) {
    SoundCheck check;
    if (!folder.exists) {
        warnings.push_back("the sound folder " + folder.path + " does not exist: no call would be heard");
    }
    check.timed = decoder != nullptr;
    if (!decoder) {
        warnings.emplace_back(
            "sound timing is not available in this build of kerbcall-cli (it has no sound decoder): durations, late "
            "starts and cut-offs are left out; the Linux kerbcall-cli gives them");
    }
    std::map<std::string, std::variant<SoundTiming, std::string>> decodedFiles;
    for (std::size_t i = 0; i < contents.notes.size(); ++i) {
        const std::string& name = contents.notes[i].soundFile;
        if (name.empty() || check.sounds.contains(name)) {
            continue;
        }
        SoundReport& report = check.sounds[name];
        const std::optional<std::string> path =
            folder.exists ? platform::LookUpPath(folder.path + "/" + name) : std::nullopt;
        report.found = path.has_value();
        const std::string quoted = NoteLineRef(contents, i) + ": sound file \"" + name + "\"";
        if (!path) {
            if (folder.exists) {
                warnings.push_back(quoted + " is not in " + folder.path);
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
