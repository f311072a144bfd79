// Any command text through the interpreter's parser, and any sound name
// through the open command the sound player builds: never a crash, and what
// is understood reads the same when written out again.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/posix/sdl_mci.h"
#include "sound/sound_player.h"

namespace {

using kerbcall::posix::MciCommand;
using kerbcall::posix::MciVerb;

void Require(bool promise) {
    if (!promise) {
        std::abort();
    }
}

// Only the player's text is wanted here, never a sound.
class NullMci : public kerbcall::platform::Mci {
public:
    std::int32_t SendString(std::string_view /*command*/) override { return 0; }
};

std::string Quoted(const std::string& word) { return '"' + word + '"'; }

// The command in the one form the parser must take back unchanged; nullopt
// when a part holds a quote, which no form can carry.
std::optional<std::string> Written(const MciCommand& command) {
    if (command.alias.find('"') != std::string::npos || command.path.find('"') != std::string::npos) {
        return std::nullopt;
    }
    const std::string alias = Quoted(command.alias);
    switch (command.verb) {
        case MciVerb::kOpen:
            return "open " + Quoted(command.path) + " type mpegvideo alias " + alias;
        case MciVerb::kSetAudio:
            return "setaudio " + alias + (command.side == kerbcall::posix::AudioSide::kLeft ? " left" : " right") +
                   (command.on ? " on" : " off");
        case MciVerb::kPlay:
            return "play " + alias + (command.repeat ? " repeat" : "");
        case MciVerb::kClose:
            return "close " + alias;
    }
    return std::nullopt;
}

void CheckAnyText(const std::string& text) {
    const std::optional<MciCommand> command = kerbcall::posix::ParseMciCommand(text);
    if (!command) {
        return;
    }
    Require(!command->alias.empty());
    if (const std::optional<std::string> written = Written(*command)) {
        Require(kerbcall::posix::ParseMciCommand(*written) == command);
    }
}

// The sound player's open command for any name: understood with the path as
// joined whenever the name holds no quote.
void CheckSoundName(const std::string& folder, const std::string& soundFile) {
    NullMci mci;
    const kerbcall::SoundPlayer player(mci, folder);
    const std::optional<MciCommand> command = kerbcall::posix::ParseMciCommand(player.OpenCommand(soundFile));
    if ((folder + soundFile).find('"') != std::string::npos) {
        return;
    }
    Require(command.has_value() && command->verb == MciVerb::kOpen);
    Require(command->path == folder + "\\Zuda Vodaz Sounds\\" + soundFile);
    Require(command->alias == "songNumber1");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    if (input.ConsumeBool()) {
        const std::string folder = input.ConsumeRandomLengthString(64);
        CheckSoundName(folder, input.ConsumeRemainingBytesAsString());
    } else {
        CheckAnyText(input.ConsumeRemainingBytesAsString());
    }
    return 0;
}
