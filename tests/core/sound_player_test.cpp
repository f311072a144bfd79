#include "sound/sound_player.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/fake_platform.h"

namespace kerbcall {
namespace {

struct PlayCase {
    std::string channel;
    bool loop;
    std::vector<std::string> between;  // the commands between open and play
};

TEST(SoundPlayerTest, ChannelsAndLoopingChooseTheCommands) {
    const std::vector<std::string> both = {"setaudio songNumber1 left on", "setaudio songNumber1 right on"};
    const std::vector<PlayCase> cases = {
        {"L", false, {"setaudio songNumber1 right off"}},
        {"left", false, {"setaudio songNumber1 right off"}},
        {"Left", true, {"setaudio songNumber1 right off"}},
        {"R", false, {"setaudio songNumber1 left off"}},
        {"right", false, {"setaudio songNumber1 left off"}},
        {"", false, both},
        {"both", true, both},
        {" left", false, both},
    };
    for (const PlayCase& c : cases) {
        fakes::FakeMci mci;
        SoundPlayer player(mci, "C:\\Kerbcall");
        player.PlaySound("left3.mp3", c.loop, c.channel);
        std::vector<std::string> expected = {
            "open \"C:\\Kerbcall\\Zuda Vodaz Sounds\\left3.mp3\" type mpegvideo alias songNumber1"};
        expected.insert(expected.end(), c.between.begin(), c.between.end());
        expected.emplace_back(c.loop ? "play songNumber1 repeat" : "play songNumber1");
        EXPECT_EQ(mci.commands, expected) << "channel \"" << c.channel << "\"";
    }
}

TEST(SoundPlayerTest, TheOpenCommandJoinsNamesAsTheyStand) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "open \"C:\\K\\Zuda Vodaz Sounds\\\" type mpegvideo alias songNumber1"},
        {" two words .mp3 ", "open \"C:\\K\\Zuda Vodaz Sounds\\ two words .mp3 \" type mpegvideo alias songNumber1"},
        {"say \"hi\".mp3", "open \"C:\\K\\Zuda Vodaz Sounds\\say \"hi\".mp3\" type mpegvideo alias songNumber1"},
        {"sub\\a.mp3", "open \"C:\\K\\Zuda Vodaz Sounds\\sub\\a.mp3\" type mpegvideo alias songNumber1"},
    };
    for (const auto& [soundFile, expected] : cases) {
        fakes::FakeMci mci;
        SoundPlayer(mci, "C:\\K").PlaySound(soundFile, false, "");
        ASSERT_EQ(mci.commands.size(), 4U);
        EXPECT_EQ(mci.commands[0], expected);
    }
    fakes::FakeMci mci;
    SoundPlayer(mci, "C:\\K\\").PlaySound("a.mp3", false, "");
    EXPECT_EQ(mci.commands[0], "open \"C:\\K\\\\Zuda Vodaz Sounds\\a.mp3\" type mpegvideo alias songNumber1");
}

TEST(SoundPlayerTest, ErrorCodesOfAnySizeAreDropped) {
    for (const std::int32_t code : {0, 263, 0x10113, -1, std::numeric_limits<std::int32_t>::min()}) {
        fakes::FakeMci mci;
        mci.answer = code;
        SoundPlayer player(mci, "C:\\K");
        player.PlaySound("a.mp3", false, "");
        player.PlaySound("b.mp3", false, "");
        player.CloseSound();
        EXPECT_EQ(mci.commands.size(), 9U) << code;
        EXPECT_EQ(mci.commands.back(), "close songNumber1");
    }
}

}  // namespace
}  // namespace kerbcall
