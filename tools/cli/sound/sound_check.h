#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/note_file.h"
#include "platform/files.h"
#include "sound/sound_folders.h"
#include "tools/cli/drive/stage_drive.h"
#include "tools/cli/sound/sound_timing.h"

namespace kerbcall::cli {

struct SoundReport {
    bool found = false;
    std::string folder;                 // the one it was found in, as found
    std::optional<SoundTiming> timing;  // nullopt: not decoded
};

struct SoundCheck {
    std::map<std::string, SoundReport> sounds;  // by name as written; empty names left out
    bool timed = false;                         // a decoder was at hand
};

// The platform's files and the folders the program takes sounds from, in
// the order it looks in them. Each platform has its own definition of this
// one function.
struct SoundPlatform {
    std::unique_ptr<platform::Files> files;
    std::vector<std::string> programFolders;
};
SoundPlatform MakeSoundPlatform();

// Where the notes' sounds are taken from: the folder --sounds names (nullopt:
// none), or else the program's own, each sound found by the program's rule.
struct SoundSearch {
    SoundSearch(SoundPlatform& platform, const std::optional<std::string>& given);
    platform::Files& files;
    SoundFolders folders;
};

// Why durations are not known: said where sounds were to be timed.
std::string NoDecoderWarning();

// Looks for each sound the notes name as the program does, refusing what it
// refuses to play, and decodes it, each file once, with `decoder` (null where
// there is none). Warns about sounds that are missing, cannot be decoded or
// start late, and once when no folder exists.
SoundCheck CheckSounds(const NoteFileContents& contents, const SoundSearch& search, SoundDecoder* decoder,
                       std::vector<std::string>& warnings);

// How long a sound can be heard, in seconds: 0 when it is missing or cannot
// be decoded (the player then plays nothing), nullopt when not known.
std::optional<double> HeardLength(const SoundCheck& check, const std::string& soundFile);

// The drive, each call heard for as long as its sound can be.
DriveResult DriveWithSounds(const NoteFileContents& contents, const DriveMotion& motion, const SoundCheck& check);

}  // namespace kerbcall::cli
