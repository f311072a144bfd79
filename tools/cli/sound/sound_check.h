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
    std::string folder;                 // the one it was found in
    std::optional<SoundTiming> timing;  // nullopt: not decoded
};

struct SoundCheck {
    std::map<std::string, SoundReport> sounds;  // by name as written; empty names left out
    bool timed = false;                         // a decoder was at hand
};

// A folder the notes' sounds are looked for in.
struct SoundFolder {
    std::string path;
    bool exists = false;
};

// The folders the program takes sounds from, in the order it looks in them:
// the user's own sound folder where the platform has one, then the program
// folder's. Each platform has its own definition of this one function.
std::vector<std::string> ProgramSoundFolders();

// The folder --sounds names, or without it (nullopt) the program's own.
std::vector<SoundFolder> FindSoundFolders(const std::optional<std::string>& given);

// Why durations are not known: said where sounds were to be timed.
std::string NoDecoderWarning();

// Looks for each sound the notes name in `folders`, taking it from the first
// that holds it, and decodes it, each file once, with `decoder` (null where
// there is none). Warns about sounds that are missing, cannot be decoded or
// start late, and once when no folder exists.
SoundCheck CheckSounds(const NoteFileContents& contents, const std::vector<SoundFolder>& folders, SoundDecoder* decoder,
                       std::vector<std::string>& warnings);

// How long a sound can be heard, in seconds: 0 when it is missing or cannot
// be decoded (the player then plays nothing), nullopt when not known.
std::optional<double> HeardLength(const SoundCheck& check, const std::string& soundFile);

// The drive, each call heard for as long as its sound can be.
DriveResult DriveWithSounds(const NoteFileContents& contents, const DriveMotion& motion, const SoundCheck& check);

}  // namespace kerbcall::cli
