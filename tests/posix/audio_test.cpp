// The command interpreter through SDL's disk driver, which writes 16-bit stereo at the device's pace.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

#include "platform/posix/posix_files.h"
#include "platform/posix/sdl_mci.h"
#include "platform/posix/xdg_user_folders.h"
#include "sound/sound_player.h"
#include "tests/fakes/fake_platform.h"
#include "tests/faults/scratch_folder.h"
#include "tests/posix/sim_process.h"

namespace kerbcall::posix {
namespace {

using Frame = std::array<std::int16_t, 2>;  // left, right

std::string Open(const std::string& path, const std::string& alias = "songNumber1") {
    return "open \"" + path + "\" type mpegvideo alias " + alias;
}

class DiskAudio : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", scratch.PathOf("out.raw").c_str(), 1);
    }

    // What the device has written once `seconds` of output have passed, at the machine's pace.
    std::vector<Frame> Played(double seconds) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (scratch.Read("out.raw").size() < std::size_t(seconds * SdlMci::kSampleRate) * sizeof(Frame) &&
               std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        mci.CloseDevice();
        const std::string bytes = scratch.Read("out.raw");
        std::vector<Frame> frames(bytes.size() / sizeof(Frame));
        std::memcpy(frames.data(), bytes.data(), frames.size() * sizeof(Frame));
        return frames;
    }

    const faults::ScratchFolder scratch;
    const std::string tone = testing::TestData("Tone.MP3");
    SdlMci mci;
};

TEST_F(DiskAudio, SetAudioSilencesExactlyTheSideSwitchedOff) {
    const std::pair<const char*, std::array<bool, 2>> cases[] = {{"setaudio songNumber1 right off", {true, false}},
                                                                 {"setaudio songNumber1 left off", {false, true}},
                                                                 {"setaudio songNumber1 left on", {true, true}}};
    for (const auto& [routing, heard] : cases) {
        ASSERT_EQ(mci.SendString(Open(tone)), 0);
        ASSERT_EQ(mci.SendString(routing), 0);
        ASSERT_EQ(mci.SendString("play songNumber1"), 0);
        const std::vector<Frame> frames = Played(0.3);
        for (const unsigned side : {0U, 1U}) {
            EXPECT_EQ(std::ranges::any_of(frames, [&](Frame f) { return std::abs(f[side]) > 100; }), heard[side]);
            EXPECT_EQ(std::ranges::all_of(frames, [&](Frame f) { return f[side] == 0; }), !heard[side]) << routing;
        }
    }
}

// Keywords and aliases in any letter case, Windows paths, files that hold no
// sound, commands not understood: each gets its code, and leaves the next working.
TEST_F(DiskAudio, EachCommandGetsItsCode) {
    const std::string bytes = PosixFiles().ReadWholeFile(tone).value();
    scratch.Write("empty.mp3", "");
    scratch.Write("cut.mp3", bytes.substr(0, 3));
    scratch.Write("half.mp3", bytes.substr(0, bytes.size() / 2));
    const std::string windowsTone = KERBCALL_POSIX_TEST_DATA "\\tONE.mp3";
    const struct {
        std::string command;
        MciError expected;
    } cases[] = {
        {"play songNumber1", MciError::kInvalidDeviceName},
        {"close songNumber1", MciError::kInvalidDeviceName},
        {Open(testing::TestData("missing.mp3"), "a"), MciError::kFileNotFound},
        {Open(testing::TestData("not-a-sound.mp3"), "a"), MciError::kInvalidFile},
        {Open(testing::TestData(""), "a"), MciError::kInvalidFile},
        {Open(scratch.PathOf("empty.mp3"), "a"), MciError::kInvalidFile},
        {Open(scratch.PathOf("cut.mp3"), "a"), MciError::kInvalidFile},
        {Open(" " + tone, "a"), MciError::kFileNotFound},
        {Open(tone, "a"), MciError::kNone},
        {Open(tone, "A"), MciError::kDuplicateAlias},
        {"play a", MciError::kNone},
        {"play a", MciError::kNone},
        {"setaudio A left off", MciError::kNone},
        {"close A", MciError::kNone},
        {"close a", MciError::kInvalidDeviceName},
        {"OPEN \"" + windowsTone + "\" ALIAS b TYPE MPEGVIDEO", MciError::kNone},
        {"SetAudio B LEFT On", MciError::kNone},
        {"Play b REPEAT", MciError::kNone},
        {"open \"" + scratch.PathOf("half.mp3") + "\" alias c", MciError::kNone},
        {"play c", MciError::kNone},
        {"CLOSE c", MciError::kNone},
        {Open(testing::TestData("tone-mp3-named.wav"), "c"), MciError::kNone},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(mci.SendString(c.command), static_cast<std::int32_t>(c.expected)) << c.command;
    }
    for (const std::string& refused : std::initializer_list<std::string>{
             "", "stop b", "open \"a.mp3\" type mpegvideo", "open \"a.mp3\" type waveaudio alias x",
             "open \"a.mp3 type mpegvideo alias x", "open \"a\"b.mp3\" alias x", "open \"a.mp3\"type mpegvideo alias x",
             "open \"a.mp3\" alias x alias y", "open \"a.mp3\" alias \"\"", "open \"a.mp3\" alias x wait",
             "setaudio b centre off", "setaudio b left maybe", "setaudio b left off now", "play \"\"", "play b wait",
             "close b now", std::string(100000, '"')}) {
        EXPECT_EQ(mci.SendString(refused), static_cast<std::int32_t>(MciError::kUnrecognizedCommand))
            << refused.substr(0, 40);
    }
    EXPECT_EQ(mci.SendString("close b"), 0);
    mci.CloseDevice();
    ::setenv("SDL_AUDIODRIVER", "no-such-audio-driver", 1);
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(mci.SendString(Open(tone)), static_cast<std::int32_t>(MciError::kCannotLoadDriver));
    }
}

// A device, a pipe or a file over 64 MiB is never opened: the decoder would read it on and on, or wait for a writer.
TEST_F(DiskAudio, OnlyRegularFilesWithinTheBoundAreOpened) {
    scratch.Write("Zuda Vodaz Sounds/tone.mp3", PosixFiles().ReadWholeFile(tone).value());
    scratch.Write("Zuda Vodaz Sounds/huge.mp3", "");
    std::filesystem::resize_file(scratch.PathOf("Zuda Vodaz Sounds/huge.mp3"), platform::Files::kLargestFile + 1);
    ASSERT_EQ(::mkfifo(scratch.PathOf("Zuda Vodaz Sounds/pipe.mp3").c_str(), 0600), 0);
    fakes::RecordingMci recording(mci);
    PosixFiles files;
    SoundPlayer player(recording, files, scratch.path());
    std::optional<SoundOutcome> told;
    player.onPlayed = [&](std::string_view, SoundOutcome outcome) { told = outcome; };
    for (const std::string name : {"tone.mp3", "huge.mp3", "pipe.mp3", "..\\..\\..\\..\\..\\..\\..\\dev\\urandom",
                                   "..\\..\\..\\..\\..\\..\\..\\proc\\self\\pagemap"}) {
        recording.sent.clear();
        player.PlaySound(name, false, "");
        const bool opened = name == "tone.mp3";
        EXPECT_EQ(told, opened ? SoundOutcome::kOpened : SoundOutcome::kNotOpened) << name;
        EXPECT_EQ(recording.sent.size(), opened ? 4U : 0U) << name;
        player.CloseSound();
    }
    // Nor is a pipe read whole (a settings or structure file named by the user): it would wait for a writer.
    EXPECT_EQ(files.ReadWholeFile(scratch.PathOf("Zuda Vodaz Sounds/pipe.mp3")), std::nullopt);
}

// The user's folders follow the desktop's variables; one that is empty or relative counts as unset.
TEST(UserFoldersTest, FollowTheDesktopsVariables) {
    using namespace std::string_literals;
    ::setenv("HOME", "/home/driver", 1);
    const std::string data = "/home/driver/.local/share/kerbcall", settings = "/home/driver/.config/kerbcall";
    for (const auto& [variable, dataFolder, settingsFolder] :
         {std::tuple{"", data, settings},
          {"relative", data, settings},
          {"/elsewhere", "/elsewhere/kerbcall"s, "/elsewhere/kerbcall"s}}) {
        ::setenv("XDG_DATA_HOME", variable, 1);
        ::setenv("XDG_CONFIG_HOME", variable, 1);
        EXPECT_EQ(XdgUserFolders().DataFolder(), dataFolder) << variable;
        EXPECT_EQ(XdgUserFolders().SettingsFolder(), settingsFolder) << variable;
    }
}

}  // namespace
}  // namespace kerbcall::posix
