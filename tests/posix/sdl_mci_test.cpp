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
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "platform/posix/sdl_mci.h"
#include "tests/posix/sim_process.h"

namespace kerbcall::posix {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kFramesPerSecond = SdlMci::kSampleRate;
// Louder than any rounding noise, far below the test tone.
constexpr double kAudibleLevel = 100.0;

struct Frame {
    std::int16_t left = 0;
    std::int16_t right = 0;
};

struct Levels {
    double left = 0.0;
    double right = 0.0;
};

class DiskAudio : public ::testing::Test {
protected:
    void SetUp() override {
        output_ = fs::path(::testing::TempDir()) / ("kerbcall-audio-" + std::to_string(::getpid()) + ".raw");
        fs::remove(output_);
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", output_.c_str(), 1);
    }
    void TearDown() override {
        mci.CloseDevice();
        fs::remove(output_);
    }

    std::string OpenTone(const std::string& alias = "songNumber1") {
        return "open \"" + testing::TestData("Tone.MP3") + "\" type mpegvideo alias " + alias;
    }

    std::int32_t Send(const std::string& command) { return mci.SendString(command); }

    // Everything the device wrote, once it is closed.
    std::vector<Frame> Written() {
        mci.CloseDevice();
        std::ifstream file(output_, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::vector<Frame> frames(bytes.size() / sizeof(Frame));
        std::memcpy(frames.data(), bytes.data(), frames.size() * sizeof(Frame));
        return frames;
    }

    std::size_t FramesWrittenSoFar() const {
        std::error_code error;
        const std::uintmax_t size = fs::file_size(output_, error);
        return error ? 0 : static_cast<std::size_t>(size / sizeof(Frame));
    }

    // Lets the device write `seconds` more of output, at whatever pace the
    // machine allows it. The file shows what was written up to a buffer late.
    void LetPlay(double seconds) {
        const std::size_t wanted = FramesWrittenSoFar() + static_cast<std::size_t>(seconds * kFramesPerSecond);
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (FramesWrittenSoFar() < wanted && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(5ms);
        }
    }

    static Levels RootMeanSquare(const std::vector<Frame>& frames) {
        double left = 0.0;
        double right = 0.0;
        for (const Frame& frame : frames) {
            left += static_cast<double>(frame.left) * frame.left;
            right += static_cast<double>(frame.right) * frame.right;
        }
        const double count = frames.empty() ? 1.0 : static_cast<double>(frames.size());
        return {std::sqrt(left / count), std::sqrt(right / count)};
    }

    // The number of frames from the first to the last that is not silent.
    static std::size_t SoundingFrames(const std::vector<Frame>& frames) {
        const auto audible = [](const Frame& f) { return f.left != 0 || f.right != 0; };
        const auto first = std::find_if(frames.begin(), frames.end(), audible);
        const auto last = std::find_if(frames.rbegin(), frames.rend(), audible);
        return first == frames.end() ? 0 : static_cast<std::size_t>(last.base() - first);
    }

    static std::size_t LastSoundingFrame(const std::vector<Frame>& frames) {
        const auto last =
            std::find_if(frames.rbegin(), frames.rend(), [](const Frame& f) { return f.left != 0 || f.right != 0; });
        return static_cast<std::size_t>(frames.rend() - last);
    }

    fs::path output_;
    SdlMci mci;
};

TEST_F(DiskAudio, SetAudioSilencesExactlyTheSideSwitchedOff) {
    const struct {
        std::vector<std::string> routing;
        bool leftHeard;
        bool rightHeard;
    } cases[] = {
        {{"setaudio songNumber1 right off"}, true, false},
        {{"setaudio songNumber1 left off"}, false, true},
        {{"setaudio songNumber1 left on", "setaudio songNumber1 right on"}, true, true},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Send(OpenTone()), 0);
        for (const std::string& command : c.routing) {
            ASSERT_EQ(Send(command), 0) << command;
        }
        ASSERT_EQ(Send("play songNumber1"), 0);
        LetPlay(0.3);
        const Levels levels = RootMeanSquare(Written());
        EXPECT_EQ(levels.left > kAudibleLevel, c.leftHeard) << c.routing.front() << ": left " << levels.left;
        EXPECT_EQ(levels.right > kAudibleLevel, c.rightHeard) << c.routing.front() << ": right " << levels.right;
        EXPECT_EQ(levels.left == 0.0, !c.leftHeard);
        EXPECT_EQ(levels.right == 0.0, !c.rightHeard);
    }
}

TEST_F(DiskAudio, RepeatLoopsTheSoundAndPlainPlayPlaysItOnce) {
    const double toneSeconds = 0.4;
    const struct {
        const char* play;
        double minSeconds;
        double maxSeconds;
    } cases[] = {
        {"play songNumber1", toneSeconds * 0.8, toneSeconds * 1.25},
        {"play songNumber1 repeat", toneSeconds * 2.2, 10.0},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Send(OpenTone()), 0);
        ASSERT_EQ(Send(c.play), 0);
        LetPlay(1.2);
        const double seconds = static_cast<double>(SoundingFrames(Written())) / kFramesPerSecond;
        EXPECT_GT(seconds, c.minSeconds) << c.play;
        EXPECT_LT(seconds, c.maxSeconds) << c.play;
    }
}

TEST_F(DiskAudio, CloseSilencesAtOnce) {
    ASSERT_EQ(Send(OpenTone()), 0);
    ASSERT_EQ(Send("play songNumber1 repeat"), 0);
    LetPlay(0.3);
    const std::size_t writtenBeforeClose = FramesWrittenSoFar();
    ASSERT_EQ(Send("close songNumber1"), 0);
    LetPlay(0.4);
    const std::vector<Frame> frames = Written();
    // Only what was already mixed into the device's buffers, and what the
    // file's own buffering had not yet shown, may follow the close.
    const std::size_t allowance = 8192 / sizeof(Frame) + 2U * std::size_t{SdlMci::kBufferFrames};
    ASSERT_GT(frames.size(), writtenBeforeClose + allowance);
    EXPECT_GT(LastSoundingFrame(frames), 0U);
    EXPECT_LT(LastSoundingFrame(frames), writtenBeforeClose + allowance);
}

TEST_F(DiskAudio, ErrorsComeBackAsCodes) {
    const auto code = [](MciError error) { return static_cast<std::int32_t>(error); };
    const struct {
        std::string command;
        MciError expected;
    } cases[] = {
        {"play songNumber1", MciError::kInvalidDeviceName},
        {"setaudio songNumber1 left off", MciError::kInvalidDeviceName},
        {"close songNumber1", MciError::kInvalidDeviceName},
        {"open \"" + testing::TestData("missing.mp3") + "\" type mpegvideo alias a", MciError::kFileNotFound},
        {"open \"" + testing::TestData("not-a-sound.mp3") + "\" type mpegvideo alias a", MciError::kInvalidFile},
        {"open \"" + testing::TestData("") + "\" type mpegvideo alias a", MciError::kInvalidFile},
        {"open \"\" type mpegvideo alias a", MciError::kFileNotFound},
        {OpenTone("a"), MciError::kNone},
        {OpenTone("A"), MciError::kDuplicateAlias},
        {"play a", MciError::kNone},
        {"play a", MciError::kNone},
        {"close A", MciError::kNone},
        {"close a", MciError::kInvalidDeviceName},
        {"open \"" + testing::TestData("tone-mp3-named.wav") + "\" type mpegvideo alias b", MciError::kNone},
        {"play b repeat", MciError::kNone},
        {"open \"" + testing::TestData("Tone.MP3") + " type mpegvideo alias c", MciError::kUnrecognizedCommand},
        {"", MciError::kUnrecognizedCommand},
        {"stop b", MciError::kUnrecognizedCommand},
        {std::string(100000, '"'), MciError::kUnrecognizedCommand},
        {"close b", MciError::kNone},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Send(c.command), code(c.expected)) << c.command.substr(0, 120);
    }
}

TEST_F(DiskAudio, AnyTextGivesAKnownCodeAndNoCrash) {
    const std::vector<std::string> valid = {OpenTone(),
                                            "setaudio songNumber1 left off",
                                            "setaudio songNumber1 right on",
                                            "play songNumber1 repeat",
                                            "play songNumber1",
                                            "close songNumber1"};
    const std::set<std::int32_t> known = {0, 261, 263, 266, 275, 289, 296};
    std::mt19937 random(20261206);
    const auto pick = [&](std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
    };
    const std::string alphabet = "\" \t\\/aAlLrRxX019\x80\xff";
    for (int round = 0; round < 5000; ++round) {
        std::string text = valid[pick(valid.size())];
        for (std::size_t edits = pick(4); edits > 0 && !text.empty(); --edits) {
            const std::size_t at = pick(text.size());
            switch (pick(3)) {
                case 0:
                    text[at] = alphabet[pick(alphabet.size())];
                    break;
                case 1:
                    text.insert(at, 1, alphabet[pick(alphabet.size())]);
                    break;
                default:
                    text.erase(at, pick(text.size() - at) + 1);
                    break;
            }
        }
        const std::int32_t code = Send(text);
        ASSERT_TRUE(known.contains(code)) << code << " for " << text;
    }
}

TEST_F(DiskAudio, WithoutAnAudioDeviceEveryOpenFails) {
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(Send(OpenTone()), static_cast<std::int32_t>(MciError::kCannotLoadDriver));
        EXPECT_EQ(Send("play songNumber1"), static_cast<std::int32_t>(MciError::kInvalidDeviceName));
    }
}

}  // namespace
}  // namespace kerbcall::posix
