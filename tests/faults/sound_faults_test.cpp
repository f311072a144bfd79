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

using fakes::RecordingMci;

std::int32_t Code(MciError error) { return static_cast<std::int32_t>(error); }

// Sets an environment variable for the life of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        ::setenv(name, value, 1);
    }
    ~ScopedEnvironment() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::string ToneMp3() {
    std::ifstream in(posix::testing::TestData("Tone.MP3"), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void AppendLittleEndian(std::string& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFFU);
    }
}

// A short mono 16-bit PCM WAV file of silence.
std::string SilentWave(std::uint32_t frames) {
    constexpr std::uint32_t kRate = 22050;
    const std::uint32_t dataSize = frames * 2;
    std::string bytes = "RIFF";
    AppendLittleEndian(bytes, 36 + dataSize, 4);
    bytes += "WAVEfmt ";
    AppendLittleEndian(bytes, 16, 4);
    AppendLittleEndian(bytes, 1, 2);  // PCM
    AppendLittleEndian(bytes, 1, 2);  // mono
    AppendLittleEndian(bytes, kRate, 4);
    AppendLittleEndian(bytes, kRate * 2, 4);
    AppendLittleEndian(bytes, 2, 2);
    AppendLittleEndian(bytes, 16, 2);
    bytes += "data";
    AppendLittleEndian(bytes, dataSize, 4);
    bytes.append(dataSize, '\0');
    return bytes;
}

// The program folder with its sound folder, a player over the real
// interpreter on SDL's silent audio driver, and a good sound to play.
class SoundFaults : public testing::Test {
protected:
    ScopedEnvironment driver{"SDL_AUDIODRIVER", "dummy"};
    ScratchFolder folder;
    posix::SdlMci interpreter;
    RecordingMci mci{interpreter};
    SoundPlayer player{mci, folder.path()};

    void SetUp() override { folder.Write(std::string(kSoundFolder) + "tone.mp3", ToneMp3()); }

    // The codes of one close and one play of `soundFile`, as the trigger loop
    // sends them.
    std::vector<std::int32_t> CloseAndPlay(const std::string& soundFile) {
        mci.sent.clear();
        player.CloseSound();
        player.PlaySound(soundFile, false, "");
        return mci.Codes();
    }
};

struct SoundCase {
    const char* what;
    std::string name;
    std::optional<std::string> bytes;  // nullopt: no such file
    MciError open;
};

std::vector<SoundCase> SoundCases() {
    const std::string tone = ToneMp3();
    return {
        {"a missing file", "nothere.mp3", std::nullopt, MciError::kFileNotFound},
        {"an empty file", "empty.mp3", "", MciError::kInvalidFile},
        {"an MP3 cut to 3 bytes", "cut3.mp3", tone.substr(0, 3), MciError::kInvalidFile},
        {"an MP3 cut in half", "half.mp3", tone.substr(0, tone.size() / 2), MciError::kNone},
        {"a WAV named .mp3", "wave.mp3", SilentWave(2205), MciError::kNone},
        {"a WAV cut inside its header", "cutwave.mp3", SilentWave(2205).substr(0, 30), MciError::kInvalidFile},
        {"a text file named .mp3", "notes.mp3", "left3.mp3,125\r\nthis is not a sound\r\n", MciError::kInvalidFile},
        {"a name of 300 characters", std::string(296, 'a') + ".mp3", std::nullopt, MciError::kFileNotFound},
        {"a path of 6000 characters", std::string(6000, 'b') + ".mp3", std::nullopt, MciError::kFileNotFound},
        {"an empty name: the sound folder itself", "", std::nullopt, MciError::kInvalidFile},
        {"a double quote in the name", "say \"hi\".mp3", tone, MciError::kUnrecognizedCommand},
    };
}

TEST_F(SoundFaults, EachBadSoundIsSilentAndTheNextSoundStillPlays) {
    for (const SoundCase& c : SoundCases()) {
        SCOPED_TRACE(c.what);
        if (c.bytes) {
            folder.Write(kSoundFolder + c.name, *c.bytes);
        }
        const std::int32_t open = Code(c.open);
        const std::int32_t rest = c.open == MciError::kNone ? 0 : Code(MciError::kInvalidDeviceName);
        EXPECT_EQ(CloseAndPlay(c.name),
                  (std::vector<std::int32_t>{Code(MciError::kInvalidDeviceName), open, rest, rest, rest}));
        EXPECT_EQ(mci.sent.at(1).command, player.OpenCommand(c.name));
        EXPECT_EQ(CloseAndPlay("tone.mp3"),
                  (std::vector<std::int32_t>{rest == 0 ? 0 : Code(MciError::kInvalidDeviceName), 0, 0, 0, 0}));
        player.CloseSound();
        if (c.bytes) {
            EXPECT_EQ(folder.Read(kSoundFolder + c.name), *c.bytes) << "the sound file changed";
        }
    }
}

// The name goes into the command text as it stands, quotes and all; the
// interpreter takes the text as one it does not know.
TEST_F(SoundFaults, DoubleQuoteInTheNameGoesOutUnchanged) {
    player.PlaySound("say \"hi\".mp3", false, "");
    ASSERT_FALSE(mci.sent.empty());
    EXPECT_EQ(mci.sent[0].command,
              "open \"" + folder.path() + "\\Zuda Vodaz Sounds\\say \"hi\".mp3\" type mpegvideo alias songNumber1");
    EXPECT_EQ(mci.sent[0].code, Code(MciError::kUnrecognizedCommand));
    EXPECT_EQ(posix::ParseMciCommand(mci.sent[0].command), std::nullopt);
}

TEST(SoundDeviceFaults, NoAudioDeviceFailsEveryOpenQuietly) {
    const ScopedEnvironment noDevice("SDL_AUDIODRIVER", "no-such-audio-driver");
    ScratchFolder folder;
    folder.Write(std::string(kSoundFolder) + "tone.mp3", ToneMp3());
    posix::SdlMci interpreter;
    RecordingMci mci(interpreter);
    SoundPlayer player(mci, folder.path());
    for (int note = 0; note < 3; ++note) {
        mci.sent.clear();
        player.CloseSound();
        player.PlaySound("tone.mp3", false, "");
        const std::int32_t noAlias = Code(MciError::kInvalidDeviceName);
        EXPECT_EQ(mci.Codes(),
                  (std::vector<std::int32_t>{noAlias, Code(MciError::kCannotLoadDriver), noAlias, noAlias, noAlias}));
    }
}

}  // namespace
}  // namespace kerbcall::faults
