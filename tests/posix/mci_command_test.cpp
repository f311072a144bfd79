#include <gtest/gtest.h>

#include "platform/posix/sdl_mci.h"

namespace kerbcall::posix {
namespace {

MciCommand Open(std::string path, std::string alias) {
    MciCommand command;
    command.verb = MciVerb::kOpen;
    command.path = std::move(path);
    command.alias = std::move(alias);
    return command;
}

MciCommand SetAudio(std::string alias, AudioSide side, bool on) {
    MciCommand command;
    command.verb = MciVerb::kSetAudio;
    command.alias = std::move(alias);
    command.side = side;
    command.on = on;
    return command;
}

MciCommand Play(std::string alias, bool repeat) {
    MciCommand command;
    command.verb = MciVerb::kPlay;
    command.alias = std::move(alias);
    command.repeat = repeat;
    return command;
}

MciCommand Close(std::string alias) {
    MciCommand command;
    command.alias = std::move(alias);
    return command;
}

TEST(ParseMciCommand, UnderstandsTheSoundPlayersCommands) {
    const struct {
        std::string text;
        MciCommand expected;
    } cases[] = {
        {"open \"/opt/kerbcall\\Zuda Vodaz Sounds\\left 3.mp3\" type mpegvideo alias songNumber1",
         Open("/opt/kerbcall\\Zuda Vodaz Sounds\\left 3.mp3", "songNumber1")},
        {"open \"/opt/k\\Zuda Vodaz Sounds\\\" type mpegvideo alias songNumber1",
         Open("/opt/k\\Zuda Vodaz Sounds\\", "songNumber1")},
        {"OPEN /tmp/a.mp3 ALIAS x TYPE MPEGVIDEO", Open("/tmp/a.mp3", "x")},
        {"open \"\" alias x", Open("", "x")},
        {"  open\t\" lead.mp3 \"   alias  x  ", Open(" lead.mp3 ", "x")},
        {"setaudio songNumber1 right off", SetAudio("songNumber1", AudioSide::kRight, false)},
        {"setaudio songNumber1 left off", SetAudio("songNumber1", AudioSide::kLeft, false)},
        {"setaudio songNumber1 left on", SetAudio("songNumber1", AudioSide::kLeft, true)},
        {"SetAudio S RIGHT On", SetAudio("S", AudioSide::kRight, true)},
        {"play songNumber1", Play("songNumber1", false)},
        {"play songNumber1 repeat", Play("songNumber1", true)},
        {"close songNumber1", Close("songNumber1")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseMciCommand(c.text), c.expected) << c.text;
    }
}

TEST(ParseMciCommand, RefusesEverythingElse) {
    const std::string refused[] = {
        "",
        "   ",
        "open",
        "open \"a.mp3\"",                            // no alias
        "open \"a.mp3\" type mpegvideo",             // no alias
        "open \"a.mp3\" type waveaudio alias x",     // another device
        "open \"a.mp3 type mpegvideo alias x",       // quote left open
        "open \"a\"b.mp3\" type mpegvideo alias x",  // quote inside the name
        "open \"a.mp3\"type mpegvideo alias x",      // nothing between
        "open \"a.mp3\" alias x alias y",
        "open \"a.mp3\" alias",
        "open \"a.mp3\" alias \"\"",
        "open \"a.mp3\" alias x wait",
        "setaudio songNumber1 right",
        "setaudio songNumber1 centre off",
        "setaudio songNumber1 left maybe",
        "setaudio songNumber1 left off now",
        "play",
        "play \"\"",
        "play songNumber1 wait",
        "play songNumber1 repeat again",
        "close",
        "close songNumber1 now",
        "stop songNumber1",
        "status songNumber1 mode",
        "\xff\xfe\x01",
    };
    for (const std::string& text : refused) {
        EXPECT_EQ(ParseMciCommand(text), std::nullopt) << text;
    }
}

}  // namespace
}  // namespace kerbcall::posix
