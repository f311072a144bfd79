#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/mci.h"
#include "sound/sound_folders.h"

namespace kerbcall {

inline constexpr char kActivatedCue[] = "activated.mp3";
inline constexpr char kDeactivatedCue[] = "deactivated.mp3";

// What became of a sound's open.
enum class SoundOutcome { kOpened, kNotOpened, kNoOutput };

// Plays one sound file of the sound folders at a time under the one device
// alias. A sound that is not a regular file or is too large to read whole is
// not opened; every other command's result code is dropped.
class SoundPlayer {
public:
    SoundPlayer(platform::Mci& mci, platform::Files& files, SoundFolders folders);
    // Sounds from the program folder's sound folder alone.
    SoundPlayer(platform::Mci& mci, platform::Files& files, const std::string& programFolder);

    // `channel`: first letter l/L left only, r/R right only, else both.
    void PlaySound(std::string_view soundFile, bool loopSound, std::string_view channel);
    void CloseSound();

    // The open command text for a sound file, exactly as sent.
    std::string OpenCommand(std::string_view soundFile) const;

    // Told of every PlaySound, once the open has been sent or refused.
    std::function<void(std::string_view soundFile, SoundOutcome outcome)> onPlayed;

private:
    // Only the open's result code tells anything.
    std::int32_t Send(std::string_view command);
    void Report(std::string_view soundFile, SoundOutcome outcome);

    platform::Mci& mci_;
    platform::Files& files_;
    SoundFolders folders_;
};

}  // namespace kerbcall
