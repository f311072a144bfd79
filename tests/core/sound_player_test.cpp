#include "sound/sound_player.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/fake_platform.h"

namespace kerbcall {
namespace {

TEST(SoundPlayerTest, ChannelsAndLoopingChooseTheCommands) {
    const std::vector<std::string> both = {"setaudio songNumber1 left on", "setaudio songNumber1 right on"};
    const std::vector<std::string> left = {"setaudio songNumber1 right off"};
    const std::vector<std::string> right = {"setaudio songNumber1 left off"};
    const struct {
        std::string channel;
        bool loop;
        std::vector<std::string> between;  // the commands between open and play
    } cases[] = {{"L", false, left}, {"Left", true, left}, {"r", false, right},   {"Right", false, right},
                 {"", false, both},  {"both", true, both}, {" left", false, both}};
    for (const auto& c : cases) {
        fakes::FakeMci mci;
        mci.answer = 263;  // an error code changes nothing
        SoundPlayer player(mci, "C:\\K");
        player.PlaySound(" a \"b\".mp3", c.loop, c.channel);
        std::vector<std::string> expected = {
            "open \"C:\\K\\Zuda Vodaz Sounds\\ a \"b\".mp3\" type mpegvideo alias songNumber1"};
        expected.insert(expected.end(), c.between.begin(), c.between.end());
        expected.emplace_back(c.loop ? "play songNumber1 repeat" : "play songNumber1");
        EXPECT_EQ(mci.commands, expected) << "channel \"" << c.channel << "\"";
    }
}

}  // namespace
}  // namespace kerbcall
