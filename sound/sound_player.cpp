#include "sound/sound_player.h"

#include <utility>

namespace kerbcall {

namespace {
// The multimedia service's answer to an open when it has no audio device.
constexpr std::int32_t kCannotLoadDriver = 266;
}  // namespace

SoundPlayer::SoundPlayer(platform::Mci& mci, platform::Files& files, SoundFolders folders)
    : mci_(mci), files_(files), folders_(std::move(folders)) {}

SoundPlayer::SoundPlayer(platform::Mci& mci, platform::Files& files, const std::string& programFolder)
    : SoundPlayer(mci, files, SoundFolders(programFolder)) {}

std::string SoundPlayer::OpenCommand(std::string_view soundFile) const {
    return "open \"" + folders_.PathOf(soundFile) + "\" type mpegvideo alias songNumber1";
}

void SoundPlayer::PlaySound(std::string_view soundFile, bool loopSound, std::string_view channel) {
    // A device or an endless file would be read on and on by the decoder.
    if (files_.IsSpecialOrTooLarge(folders_.PathOf(soundFile))) {
        Report(soundFile, SoundOutcome::kNotOpened);
        return;
    }
    const std::int32_t opened = Send(OpenCommand(soundFile));
    const char first = channel.empty() ? '\0' : channel.front();
    if (first == 'l' || first == 'L') {
        Send("setaudio songNumber1 right off");
    } else if (first == 'r' || first == 'R') {
        Send("setaudio songNumber1 left off");
    } else {
        Send("setaudio songNumber1 left on");
        Send("setaudio songNumber1 right on");
    }
    Send(loopSound ? "play songNumber1 repeat" : "play songNumber1");
    Report(soundFile, opened == 0                   ? SoundOutcome::kOpened
                      : opened == kCannotLoadDriver ? SoundOutcome::kNoOutput
                                                    : SoundOutcome::kNotOpened);
}

void SoundPlayer::CloseSound() { Send("close songNumber1"); }

std::int32_t SoundPlayer::Send(std::string_view command) { return mci_.SendString(command); }

void SoundPlayer::Report(std::string_view soundFile, SoundOutcome outcome) {
    if (onPlayed) {
        onPlayed(soundFile, outcome);
    }
}

}  // namespace kerbcall
