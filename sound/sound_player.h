#pragma once

#include <string>
#include <string_view>

#include "platform/mci.h"
#include "sound/sound_folders.h"

namespace kerbcall {

inline constexpr char kActivatedCue[] = "activated.mp3";
inline constexpr char kDeactivatedCue[] = "deactivated.mp3";

// Plays one sound file of the sound folders at a time under the one device
// alias. Every command's result code is dropped: sound failures are silent.
class SoundPlayer {
public:
    SoundPlayer(platform::Mci& mci, SoundFolders folders);
    // Sounds from the program folder's sound folder alone.
    SoundPlayer(platform::Mci& mci, const std::string& programFolder);

    // `channel`: first letter l/L left only, r/R right only, else both.
    void PlaySound(std::string_view soundFile, bool loopSound, std::string_view channel);
    void CloseSound();

    // The open command text for a sound file, exactly as sent.
    std::string OpenCommand(std::string_view soundFile) const;

private:
    void Send(std::string_view command);

    platform::Mci& mci_;
    SoundFolders folders_;
};

}  // namespace kerbcall
