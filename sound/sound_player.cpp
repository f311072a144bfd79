#include "sound/sound_player.h"

#include <utility>

namespace kerbcall {

SoundPlayer::SoundPlayer(platform::Mci& mci, SoundFolders folders) : mci_(mci), folders_(std::move(folders)) {}

SoundPlayer::SoundPlayer(platform::Mci& mci, const std::string& programFolder)
    : SoundPlayer(mci, SoundFolders(programFolder)) {}

std::string SoundPlayer::OpenCommand(std::string_view soundFile) const {
    std::string command = "open \"";
    command += folders_.FolderOf(soundFile);
    command += '\\';
    command += soundFile;
    command += "\" type mpegvideo alias songNumber1";
    return command;
}

void SoundPlayer::PlaySound(std::string_view soundFile, bool loopSound, std::string_view channel) {
    Send(OpenCommand(soundFile));
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
}

void SoundPlayer::CloseSound() { Send("close songNumber1"); }

// The result code tells nothing the program acts on, whatever its size.
void SoundPlayer::Send(std::string_view command) { static_cast<void>(mci_.SendString(command)); }

}  // namespace kerbcall
