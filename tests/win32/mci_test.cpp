// The sound player's command texts sent to the real multimedia service.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "sound/sound_player.h"
#include "tests/win32/running_simulator.h"

namespace kerbcall::win32_tests {
namespace {

// Passes every command to the multimedia service and keeps its answer.
class AnsweredCommands final : public platform::Mci {
public:
    std::int32_t SendString(std::string_view command) override {
        const std::int32_t code = service_.SendString(command);
        sent.push_back({std::string(command), code});
        return code;
    }

    struct Answered {
        std::string command;
        std::int32_t code;
    };
    std::vector<Answered> sent;

private:
    platform::win32::Win32Mci service_;
};

// The sound folder lies beside the test program.
TEST(MciTest, EveryCommandForARealMp3Succeeds) {
    AnsweredCommands mci;
    SoundPlayer player(mci, TestProgramFolder());
    player.PlaySound("left3.mp3", false, "");
    player.CloseSound();
    ASSERT_EQ(mci.sent.size(), 5U);
    for (const auto& answered : mci.sent) {
        EXPECT_EQ(answered.code, 0) << answered.command;
    }
}

TEST(MciTest, OneChannelAndRepeatingPlaySucceedToo) {
    AnsweredCommands mci;
    SoundPlayer player(mci, TestProgramFolder());
    player.PlaySound("hairpin.mp3", true, "left");
    player.CloseSound();
    ASSERT_EQ(mci.sent.size(), 4U);
    for (const auto& answered : mci.sent) {
        EXPECT_EQ(answered.code, 0) << answered.command;
    }
}

TEST(MciTest, AMissingFileFailsEveryCommandWithoutHanging) {
    AnsweredCommands mci;
    SoundPlayer player(mci, TestProgramFolder());
    player.PlaySound("no such note.mp3", false, "");
    player.CloseSound();
    ASSERT_EQ(mci.sent.size(), 5U);
    for (const auto& answered : mci.sent) {
        EXPECT_NE(answered.code, 0) << answered.command;
    }
}

TEST(MciTest, ClosingWithNothingOpenFails) {
    AnsweredCommands mci;
    SoundPlayer(mci, TestProgramFolder()).CloseSound();
    ASSERT_EQ(mci.sent.size(), 1U);
    EXPECT_NE(mci.sent[0].code, 0);
}

}  // namespace
}  // namespace kerbcall::win32_tests
