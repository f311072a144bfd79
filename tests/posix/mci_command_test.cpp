#include <gtest/gtest.h>

#include "platform/posix/sdl_mci.h"

namespace kerbcall::posix {
namespace {

MciCommand Command(MciVerb verb, std::string alias, std::string path = {}) {
    MciCommand command;
    command.verb = verb;
    command.alias = std::move(alias);
    command.path = std::move(path);
    return command;
}

MciCommand SetAudio(std::string alias, AudioSide side, bool on) {
    MciCommand command = Command(MciVerb::kSetAudio, std::move(alias));
    command.side = side;
    command.on = on;
    return command;
}

MciCommand PlayRepeat(std::string alias) {
    MciCommand command = Command(MciVerb::kPlay, std::move(alias));
    command.repeat = true;
    return command;
}

TEST(ParseMciCommand, UnderstandsTheSoundPlayersCommandsAndRefusesEverythingElse) {
    const struct {
        std::string text;
        std::optional<MciCommand> expected;
    } cases[] = {
        {"open \"/opt/k\\Zuda Vodaz Sounds\\left 3.mp3\" type mpegvideo alias songNumber1",
         Command(MciVerb::kOpen, "songNumber1", "/opt/k\\Zuda Vodaz Sounds\\left 3.mp3")},
        {"OPEN /tmp/a.mp3 ALIAS x TYPE MPEGVIDEO", Command(MciVerb::kOpen, "x", "/tmp/a.mp3")},
        {"  open\t\" lead.mp3 \"   alias  x  ", Command(MciVerb::kOpen, "x", " lead.mp3 ")},
        {"setaudio songNumber1 right off", SetAudio("songNumber1", AudioSide::kRight, false)},
        {"SetAudio S LEFT On", SetAudio("S", AudioSide::kLeft, true)},
        {"play songNumber1", Command(MciVerb::kPlay, "songNumber1")},
        {"Play songNumber1 REPEAT", PlayRepeat("songNumber1")},
        {"CLOSE songNumber1", Command(MciVerb::kClose, "songNumber1")},
        {"", std::nullopt},
        {"open \"a.mp3\" type mpegvideo", std::nullopt},
        {"open \"a.mp3\" type waveaudio alias x", std::nullopt},
        {"open \"a.mp3 type mpegvideo alias x", std::nullopt},
        {"open \"a\"b.mp3\" type mpegvideo alias x", std::nullopt},
        {"open \"a.mp3\"type mpegvideo alias x", std::nullopt},
        {"open \"a.mp3\" alias x alias y", std::nullopt},
        {"open \"a.mp3\" alias \"\"", std::nullopt},
        {"open \"a.mp3\" alias x wait", std::nullopt},
        {"setaudio songNumber1 centre off", std::nullopt},
        {"setaudio songNumber1 left maybe", std::nullopt},
        {"setaudio songNumber1 left off now", std::nullopt},
        {"play \"\"", std::nullopt},
        {"play songNumber1 wait", std::nullopt},
        {"close songNumber1 now", std::nullopt},
        {"stop songNumber1", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseMciCommand(c.text), c.expected) << c.text;
    }
}

}  // namespace
}  // namespace kerbcall::posix
