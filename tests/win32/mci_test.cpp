// The sound player's command texts sent to the real multimedia service.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_platform.h"
#include "sound/sound_player.h"
#include "tests/fakes/fake_platform.h"
#include "tests/win32/running_simulator.h"

namespace kerbcall::win32_tests {
namespace {

// Every command of a play and the close after it: code 0 for a real MP3 of
// the sound folder beside the test program, nonzero for a missing one.
TEST(MciTest, EveryCommandOfAPlayGetsTheSameAnswer) {
    const struct {
        const char* soundFile;
        bool loopSound;
        const char* channel;
        std::size_t commands;  // with the close that follows
        bool succeeds;
    } cases[] = {
        {"left3.mp3", false, "", 5, true},
        {"hairpin.mp3", true, "left", 4, true},
        {"deactivated.mp3", false, "Right", 4, true},
        {"no such note.mp3", false, "", 5, false},
    };
    for (const auto& c : cases) {
        platform::win32::Win32Mci service;
        fakes::RecordingMci mci(service);
        SoundPlayer player(mci, TestProgramFolder());
        player.PlaySound(c.soundFile, c.loopSound, c.channel);
        player.CloseSound();
        ASSERT_EQ(mci.sent.size(), c.commands);
        for (const auto& answered : mci.sent) {
            EXPECT_EQ(answered.code == 0, c.succeeds) << answered.command << " gave " << answered.code;
        }
        mci.sent.clear();
        player.CloseSound();
        EXPECT_NE(mci.sent.at(0).code, 0) << "closing with nothing open fails";
    }
}

}  // namespace
}  // namespace kerbcall::win32_tests
