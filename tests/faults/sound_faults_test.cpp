// Sound files as users pass them around, played through the sound player and
// the real command-string interpreter: each fault stays silent and the next
// sound still plays.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/sdl_mci.h"
#include "sound/sound_player.h"
#include "tests/fakes/fake_platform.h"
#include "tests/faults/scratch_folder.h"
#include "tests/posix/sim_process.h"

namespace kerbcall::faults {
namespace {

using posix::MciError;

constexpr char kSoundFolder[] = "Zuda Vodaz Sounds/";

std::int32_t Code(MciError error) { return static_cast<std::int32_t>(error); }

// The codes of one close and one play of `soundFile`, as the trigger loop
// sends them.
std::vector<std::int32_t> CloseAndPlay(fakes::RecordingMci& mci, SoundPlayer& player, const std::string& soundFile) {
    mci.sent.clear();
    player.CloseSound();
    player.PlaySound(soundFile, false, "");
    std::vector<std::int32_t> codes;
    for (const auto& sent : mci.sent) {
        codes.push_back(sent.code);
    }
    return codes;
}

TEST(SoundFaults, EachBadSoundIsSilentAndTheNextSoundStillPlays) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::ifstream in(posix::testing::TestData("Tone.MP3"), std::ios::binary);
    const std::string tone{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ScratchFolder folder;
    folder.Write(std::string(kSoundFolder) + "tone.mp3", tone);
    posix::SdlMci interpreter;
    fakes::RecordingMci mci(interpreter);
    SoundPlayer player(mci, folder.path());
    const struct {
        std::string name;
        std::optional<std::string> bytes;  // nullopt: no such file
        MciError open;
    } cases[] = {
        {"nothere.mp3", std::nullopt, MciError::kFileNotFound},
        {"empty.mp3", "", MciError::kInvalidFile},
        {"cut3.mp3", tone.substr(0, 3), MciError::kInvalidFile},
        {"half.mp3", tone.substr(0, tone.size() / 2), MciError::kNone},
        {"notes.mp3", "left3.mp3,125\r\nthis is not a sound\r\n", MciError::kInvalidFile},
        {std::string(6000, 'b') + ".mp3", std::nullopt, MciError::kFileNotFound},
        {"", std::nullopt, MciError::kInvalidFile},  // the sound folder itself
        {"say \"hi\".mp3", tone, MciError::kUnrecognizedCommand},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.substr(0, 20));
        if (c.bytes) {
            folder.Write(kSoundFolder + c.name, *c.bytes);
        }
        const std::int32_t rest = c.open == MciError::kNone ? 0 : Code(MciError::kInvalidDeviceName);
        EXPECT_EQ(CloseAndPlay(mci, player, c.name),
                  (std::vector<std::int32_t>{Code(MciError::kInvalidDeviceName), Code(c.open), rest, rest, rest}));
        EXPECT_EQ(mci.sent.at(1).command, player.OpenCommand(c.name));
        EXPECT_EQ(CloseAndPlay(mci, player, "tone.mp3"), (std::vector<std::int32_t>{rest, 0, 0, 0, 0}));
        player.CloseSound();
        if (c.bytes) {
            EXPECT_EQ(folder.Read(kSoundFolder + c.name), *c.bytes) << "the sound file changed";
        }
    }
    interpreter.CloseDevice();

    ::setenv("SDL_AUDIODRIVER", "no-such-audio-driver", 1);
    for (int note = 0; note < 2; ++note) {
        const std::int32_t noAlias = Code(MciError::kInvalidDeviceName);
        EXPECT_EQ(CloseAndPlay(mci, player, "tone.mp3"),
                  (std::vector<std::int32_t>{noAlias, Code(MciError::kCannotLoadDriver), noAlias, noAlias, noAlias}));
    }
}

}  // namespace
}  // namespace kerbcall::faults
