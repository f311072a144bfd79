// Any command text through the interpreter's parser, and any sound name through
// the player's open command: never a crash, and what is understood reads the
// same when written out again, keywords in either case.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/posix/sdl_mci.h"
#include "sound/sound_player.h"
#include "tests/fakes/fake_platform.h"

namespace {

namespace mci = kerbcall::posix;

void Require(bool promise) { promise ? void() : std::abort(); }

std::string Quoted(const std::string& word) { return '"' + word + '"'; }

// The command as a text the parser must take back unchanged, keywords in capitals when `shout`.
std::string Written(const mci::MciCommand& command, bool shout) {
    const std::string alias = Quoted(command.alias);
    std::string text = "close " + alias;
    if (command.verb == mci::MciVerb::kOpen) {
        text = "open " + Quoted(command.path) + " type mpegvideo alias " + alias;
    } else if (command.verb == mci::MciVerb::kSetAudio) {
        text = "setaudio " + alias + (command.side == mci::AudioSide::kLeft ? " left" : " right") +
               (command.on ? " on" : " off");
    } else if (command.verb == mci::MciVerb::kPlay) {
        text = "play " + alias + (command.repeat ? " repeat" : "");
    }
    for (std::size_t i = 0, quotes = 0; shout && i < text.size(); quotes += text[i++] == '"' ? 1 : 0) {
        text[i] = quotes % 2 == 0 ? static_cast<char>(std::toupper(static_cast<unsigned char>(text[i]))) : text[i];
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool soundName = input.ConsumeBool();
    const bool shout = input.ConsumeBool();
    const std::string folder = soundName ? input.ConsumeRandomLengthString(64) : "";
    const std::string text = input.ConsumeRemainingBytesAsString();
    if (soundName) {
        // The player's open command for any name without a quote is understood with the path as joined.
        kerbcall::fakes::FakeMci fake;
        kerbcall::fakes::FakeFiles files;
        const auto open = mci::ParseMciCommand(kerbcall::SoundPlayer(fake, files, folder).OpenCommand(text));
        Require((folder + text).find('"') != std::string::npos ||
                (open && open->verb == mci::MciVerb::kOpen && open->alias == "songNumber1" &&
                 open->path == folder + "\\Zuda Vodaz Sounds\\" + text));
        return 0;
    }
    const std::optional<mci::MciCommand> command = mci::ParseMciCommand(text);
    Require(!command || !command->alias.empty());
    // A part holding a quote has no written form.
    Require(!command || (command->alias + command->path).find('"') != std::string::npos ||
            mci::ParseMciCommand(Written(*command, shout)) == command);
    return 0;
}
