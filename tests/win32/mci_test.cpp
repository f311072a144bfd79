// The sound player's command texts sent to the real multimedia service.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "sound/sound_player.h"
#include "tests/fakes/fake_platform.h"
#include "tests/win32/running_simulator.h"

namespace kerbcall::win32_tests {
namespace {

struct PlayCase {
    const char* soundFile;
    bool loopSound;
    const char* channel;
    std::size_t commands;  // with the close that follows
    bool succeeds;
};

void PrintTo(const PlayCase& play, std::ostream* out) { *out << play.soundFile << ' ' << play.channel; }

class MciPlayTest : public testing::TestWithParam<PlayCase> {};

// Every command of a play and the close after it: code 0 for a real MP3 of
// the sound folder beside the test program, nonzero for a missing one.
TEST_P(MciPlayTest, EveryCommandGetsTheSameAnswer) {
    const PlayCase& play = GetParam();
    platform::win32::Win32Mci service;
    fakes::RecordingMci mci(service);
    SoundPlayer player(mci, TestProgramFolder());
    player.PlaySound(play.soundFile, play.loopSound, play.channel);
    player.CloseSound();
    ASSERT_EQ(mci.sent.size(), play.commands);
    for (const auto& answered : mci.sent) {
        EXPECT_EQ(answered.code == 0, play.succeeds) << answered.command << " gave " << answered.code;
    }
}

INSTANTIATE_TEST_SUITE_P(Sounds, MciPlayTest,
                         testing::Values(PlayCase{"left3.mp3", false, "", 5, true},
                                         PlayCase{"hairpin.mp3", true, "left", 4, true},
                                         PlayCase{"deactivated.mp3", false, "Right", 4, true},
                                         PlayCase{"no such note.mp3", false, "", 5, false}));

TEST(MciTest, ClosingWithNothingOpenFails) {
    platform::win32::Win32Mci service;
    fakes::RecordingMci mci(service);
    SoundPlayer(mci, TestProgramFolder()).CloseSound();
    ASSERT_EQ(mci.sent.size(), 1U);
    EXPECT_NE(mci.sent[0].code, 0);
}

}  // namespace
}  // namespace kerbcall::win32_tests
