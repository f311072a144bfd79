// The interpreter playing through SDL's disk audio driver, which writes the
// mixed output to a file as raw 16-bit stereo samples at the device's pace.
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
#include "tests/posix/sim_process.h"

namespace kerbcall::posix {
namespace {

namespace fs = std::filesystem;

struct Frame {
    std::int16_t left = 0;
    std::int16_t right = 0;
};

bool Audible(const Frame& frame) { return frame.left != 0 || frame.right != 0; }

class DiskAudio : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", output_.c_str(), 1);
    }
    void TearDown() override {
        mci.CloseDevice();
        fs::remove(output_);
    }

    static std::string OpenTone(const std::string& alias = "songNumber1") {
        return "open \"" + testing::TestData("Tone.MP3") + "\" type mpegvideo alias " + alias;
    }

    std::int32_t Send(const std::string& command) { return mci.SendString(command); }

    // Everything the device wrote, once it is closed.
    std::vector<Frame> Written() {
        mci.CloseDevice();
        std::ifstream file(output_, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::vector<Frame> frames(bytes.size() / sizeof(Frame));
        if (!frames.empty()) {
            std::memcpy(frames.data(), bytes.data(), frames.size() * sizeof(Frame));
        }
        fs::remove(output_);
        return frames;
    }

    std::size_t FramesWrittenSoFar() const {
        std::error_code error;
        const std::uintmax_t size = fs::file_size(output_, error);
        return error ? 0 : static_cast<std::size_t>(size / sizeof(Frame));
    }

    // Waits until the device has written `seconds` more of output, at
    // whatever pace the machine allows it.
    void LetPlay(double seconds) {
        const auto wanted = FramesWrittenSoFar() + static_cast<std::size_t>(seconds * SdlMci::kSampleRate);
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (FramesWrittenSoFar() < wanted && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    fs::path output_ = fs::path(::testing::TempDir()) / ("kerbcall-audio-" + std::to_string(::getpid()) + ".raw");
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
        ASSERT_EQ(Send(OpenTone()), 0);
        ASSERT_EQ(Send(c.routing), 0);
        ASSERT_EQ(Send("play songNumber1"), 0);
        LetPlay(0.3);
        const std::vector<Frame> frames = Written();
        const bool left = std::ranges::any_of(frames, [](const Frame& f) { return std::abs(f.left) > 100; });
        const bool right = std::ranges::any_of(frames, [](const Frame& f) { return std::abs(f.right) > 100; });
        EXPECT_EQ(left, c.leftHeard) << c.routing;
        EXPECT_EQ(right, c.rightHeard) << c.routing;
        EXPECT_EQ(std::ranges::all_of(frames, [](const Frame& f) { return f.left == 0; }), !c.leftHeard);
        EXPECT_EQ(std::ranges::all_of(frames, [](const Frame& f) { return f.right == 0; }), !c.rightHeard);
    }
}

TEST_F(DiskAudio, PlayPlaysOnceRepeatLoopsAndCloseSilencesAtOnce) {
    const double toneSeconds = 0.4;
    for (const bool repeat : {false, true}) {
        ASSERT_EQ(Send(OpenTone()), 0);
        ASSERT_EQ(Send(repeat ? "play songNumber1 repeat" : "play songNumber1"), 0);
        LetPlay(1.2);
        const std::size_t writtenBeforeClose = FramesWrittenSoFar();
        ASSERT_EQ(Send("close songNumber1"), 0);
        LetPlay(0.4);
        const std::vector<Frame> frames = Written();
        const auto first = std::ranges::find_if(frames, Audible);
        const auto last = std::find_if(frames.rbegin(), frames.rend(), Audible).base();
        ASSERT_LT(first, last);
        const double seconds = static_cast<double>(last - first) / SdlMci::kSampleRate;
        EXPECT_GT(seconds, repeat ? 2.2 * toneSeconds : 0.8 * toneSeconds) << repeat;
        EXPECT_LT(seconds, repeat ? 10.0 : 1.25 * toneSeconds) << repeat;
        // Only what was already mixed into the device's buffers, and what the
        // file's own buffering had not yet shown, may follow the close.
        const std::size_t allowance = 8192 / sizeof(Frame) + 2U * std::size_t{SdlMci::kBufferFrames};
        EXPECT_LT(static_cast<std::size_t>(last - frames.begin()), writtenBeforeClose + allowance);
    }
}

TEST_F(DiskAudio, ErrorsComeBackAsCodes) {
    const struct {
        std::string command;
        MciError expected;
    } cases[] = {
        {"play songNumber1", MciError::kInvalidDeviceName},
        {"close songNumber1", MciError::kInvalidDeviceName},
        {"open \"" + testing::TestData("missing.mp3") + "\" type mpegvideo alias a", MciError::kFileNotFound},
        {"open \"" + testing::TestData("not-a-sound.mp3") + "\" type mpegvideo alias a", MciError::kInvalidFile},
        {"open \"" + testing::TestData("") + "\" type mpegvideo alias a", MciError::kInvalidFile},
        {OpenTone("a"), MciError::kNone},
        {OpenTone("A"), MciError::kDuplicateAlias},
        {"play a", MciError::kNone},
        {"play a", MciError::kNone},
        {"setaudio A left off", MciError::kNone},
        {"close A", MciError::kNone},
        {"close a", MciError::kInvalidDeviceName},
        {"open \"" + testing::TestData("tone-mp3-named.wav") + "\" type mpegvideo alias b", MciError::kNone},
        {"play b repeat", MciError::kNone},
        {"stop b", MciError::kUnrecognizedCommand},
        {std::string(100000, '"'), MciError::kUnrecognizedCommand},
        {"close b", MciError::kNone},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Send(c.command), static_cast<std::int32_t>(c.expected)) << c.command.substr(0, 120);
    }
}

}  // namespace
}  // namespace kerbcall::posix
