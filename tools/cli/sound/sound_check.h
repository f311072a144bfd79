#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/note_file.h"
#include "tools/cli/drive/stage_drive.h"
#include "tools/cli/sound/sound_timing.h"

namespace kerbcall::cli {

struct SoundReport {
    bool found = false;
    std::optional<SoundTiming> timing;  // nullopt: not decoded
};

struct SoundCheck {
    std::map<std::string, SoundReport> sounds;  // by name as written; empty names left out
    bool timed = false;                         // a decoder was at hand
};

// The folder the notes' sounds are looked for in.
struct SoundFolder {
    std::string path;
    bool exists = false;
};

// The folder --sounds names.
SoundFolder FindSoundFolder(const std::string& given);

// Looks for each sound the notes name in `folder` and decodes it, each file
// once, with `decoder` (null where there is none). Warns about sounds that
// are missing, cannot be decoded or start late, and once about a missing
// decoder or a folder that does not exist.
SoundCheck CheckSounds(const NoteFileContents& contents, const SoundFolder& folder, SoundDecoder* decoder,
                       std::vector<std::string>& warnings);

// How long a sound can be heard, in seconds: 0 when it is missing or cannot
// be decoded (the player then plays nothing), nullopt when not known.
std::optional<double> HeardLength(const SoundCheck& check, const std::string& soundFile);

// The drive, each call heard for as long as its sound can be.
DriveResult DriveWithSounds(const NoteFileContents& contents, const DriveMotion& motion, const SoundCheck& check);

}  // namespace kerbcall::cli
