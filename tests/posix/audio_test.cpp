// The command-string interpreter playing through SDL's disk audio driver,
// which writes the mixed output to a file as 16-bit stereo at the device's pace.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "platform/posix/sdl_mci.h"
#include "tests/faults/scratch_folder.h"
#include "tests/posix/sim_process.h"

namespace kerbcall::posix {
namespace {

namespace fs = std::filesystem;

struct Frame {
    std::int16_t left = 0;
    std::int16_t right = 0;
};

std::string Open(const std::string& path, const std::string& alias = "songNumber1") {
    return "open \"" + path + "\" type mpegvideo alias " + alias;
}

class DiskAudio : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", scratch.PathOf("out.raw").c_str(), 1);
    }

    std::int32_t Send(const std::string& command) { return mci.SendString(command); }

    // What the device has written once `seconds` of output have passed, at
    // whatever pace the machine allows.
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
    const struct {
        const char* routing;
        bool leftHeard;
        bool rightHeard;
    } cases[] = {
        {"setaudio songNumber1 right off", true, false},
        {"setaudio songNumber1 left off", false, true},
        {"setaudio songNumber1 left on", true, true},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Send(Open(tone)), 0);
        ASSERT_EQ(Send(c.routing), 0);
        ASSERT_EQ(Send("play songNumber1"), 0);
        const std::vector<Frame> frames = Played(0.3);
        EXPECT_EQ(std::ranges::any_of(frames, [](const Frame& f) { return std::abs(f.left) > 100; }), c.leftHeard);
        EXPECT_EQ(std::ranges::any_of(frames, [](const Frame& f) { return std::abs(f.right) > 100; }), c.rightHeard);
        EXPECT_EQ(std::ranges::all_of(frames, [](const Frame& f) { return f.left == 0; }), !c.leftHeard);
        EXPECT_EQ(std::ranges::all_of(frames, [](const Frame& f) { return f.right == 0; }), !c.rightHeard);
    }
}

// Keywords and aliases in any letter case, Windows paths, files that hold no
// sound, commands not understood: each gets its code, and leaves the next working.
TEST_F(DiskAudio, EachCommandGetsItsCode) {
    std::ifstream in(tone, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    scratch.Write("empty.mp3", "");
    scratch.Write("cut.mp3", bytes.substr(0, 3));
    scratch.Write("half.mp3", bytes.substr(0, bytes.size() / 2));
    const std::string windowsTone = fs::path(tone).parent_path().string() + "\\tONE.mp3";
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
        EXPECT_EQ(Send(c.command), static_cast<std::int32_t>(c.expected)) << c.command;
    }
    for (const std::string& refused : std::initializer_list<std::string>{
             "", "stop b", "open \"a.mp3\" type mpegvideo", "open \"a.mp3\" type waveaudio alias x",
             "open \"a.mp3 type mpegvideo alias x", "open \"a\"b.mp3\" alias x", "open \"a.mp3\"type mpegvideo alias x",
             "open \"a.mp3\" alias x alias y", "open \"a.mp3\" alias \"\"", "open \"a.mp3\" alias x wait",
             "setaudio b centre off", "setaudio b left maybe", "setaudio b left off now", "play \"\"", "play b wait",
             "close b now", std::string(100000, '"')}) {
        EXPECT_EQ(Send(refused), static_cast<std::int32_t>(MciError::kUnrecognizedCommand)) << refused.substr(0, 40);
    }
    EXPECT_EQ(Send("close b"), 0);
    mci.CloseDevice();
    ::setenv("SDL_AUDIODRIVER", "no-such-audio-driver", 1);
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(Send(Open(tone)), static_cast<std::int32_t>(MciError::kCannotLoadDriver));
    }
}

}  // namespace
}  // namespace kerbcall::posix
