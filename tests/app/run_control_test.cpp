#include <stdexcept>

#include "app/run_control.h"
#include "tests/app/app_fixture.h"

namespace kerbcall::fakes {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

TEST_F(AppTest, StartCuesThenScansAndStopWhileWaitingPlaysTheStopCueAndEnds) {
    Load();
    std::vector<std::string> commandsAtFirstYield;
    platform.pump.onYield = [&](int yield) {
        if (yield == 1) {
            commandsAtFirstYield = platform.mci.commands;
            EXPECT_EQ(mainWindow.shows, 1);
        }
        if (yield == 5) {
            form.Command2_Click();
        }
    };
    PressCommand2();
    EXPECT_THAT(commandsAtFirstYield, ElementsAreArray(PlayOf("activated.mp3")));
    EXPECT_THAT(platform.mci.commands, ElementsAreArray(Joined(PlayOf("activated.mp3"), StopCommands())));
    EXPECT_THAT(platform.sleeper.sleeps, ElementsAre(1000U));
    EXPECT_EQ(platform.program.ends, 1);
    EXPECT_TRUE(platform.memory.reads.empty()) << "the build probe and the trigger loop never ran";
    ASSERT_EQ(platform.program.messages.size(), 1U);
    EXPECT_EQ(platform.program.messages[0].text, "Could not find the ZRL Kerbcall.ini File");
}

TEST_F(AppTest, StopCutsTheNoteOffAndSelectDuringTheRunKeepsTheNotesRead) {
    globals.noteFileName = "Monza.ini";
    platform.files.files["C:\\Kerbcall\\Monza.ini"] = "left3.mp3,125\r\nright2.mp3,241\r\n";
    Load();
    RunSimulatorAt(500.0F);
    platform.sleeper.onSleep = [&] { EXPECT_EQ(platform.mci.commands.back(), "play songNumber1"); };
    std::size_t samplesAtStop = 0;
    platform.pump.onYield = [&](int yield) {
        if (yield == 10) {
            chooser().filList.Click("Spa.1967.ini");
            chooser().PressSelect();
            EXPECT_EQ(label1.text, "Spa");
            MoveCarTo(125.0F);
        }
        if (yield == 20) {
            samplesAtStop = platform.memory.reads.size();
            form.Command2_Click();
        }
    };
    PressCommand2();
    const auto expected =
        Joined(Joined(PlayOf("activated.mp3"), Joined({"close songNumber1"}, PlayOf("left3.mp3"))), StopCommands());
    EXPECT_THAT(platform.mci.commands, ElementsAreArray(expected));
    EXPECT_EQ(platform.memory.reads.size(), samplesAtStop);
    EXPECT_EQ(form.position.simProcess, kSimulatorHandle);
}

TEST_F(AppTest, ClosingTheMainWindowStopsAndCancelOrAFailureEndsWithoutACue) {
    Load();
    std::int16_t cancel = 0;
    EXPECT_THROW(form.Form_QueryUnload(cancel, 0), ProgramEnded);
    EXPECT_THAT(platform.mci.commands, ElementsAreArray(StopCommands()));
    const std::vector<std::string> activated = PlayOf("activated.mp3");
    const struct {
        const char* name;
        std::function<void()> atTenthYield;
        std::vector<int> failingPasses;
        std::vector<std::string> commands;
    } cases[] = {
        {"close",
         [this] {
             std::int16_t none = 0;
             form.Form_QueryUnload(none, 1);
         },
         {},
         Joined(activated, StopCommands())},
        {"Cancel", [this] { chooser().PressCancel(); }, {}, activated},
        {"no process snapshot", nullptr, {0}, activated},
    };
    for (const auto& c : cases) {
        platform.mci.commands.clear();
        platform.sleeper.sleeps.clear();
        platform.processes.failingPasses = c.failingPasses;
        platform.processes.snapshotsTaken = 0;
        platform.pump.yields = 0;
        Load();
        command2.caption = "Start";
        platform.pump.onYield = [&](int yield) {
            if (yield == 10 && c.atTenthYield) {
                c.atTenthYield();
            }
        };
        PressCommand2();
        EXPECT_THAT(platform.mci.commands, ElementsAreArray(c.commands)) << c.name;
        EXPECT_EQ(platform.sleeper.sleeps.size(), c.commands.size() > activated.size() ? 1U : 0U) << c.name;
    }
}

TEST_F(AppTest, ADamagedNoteFileEndsWithoutAnyCue) {
    globals.noteFileName = "Empty.ini";
    platform.files.files["C:\\Kerbcall\\Empty.ini"] = "";
    Load();
    PressCommand2();
    EXPECT_EQ(platform.program.messages.at(0).text, "There is an unknown error in the ZRL Kerbcall.ini file");
    EXPECT_TRUE(platform.mci.commands.empty());
}

TEST(HandleEventTest, AnUntakenErrorIsReportedAndEndsTheProgram) {
    FakeProgram program;
    app::HandleEvent(program, [] {});
    EXPECT_EQ(program.ends, 0);
    EXPECT_THROW(app::HandleEvent(program, [&] { program.End(); }), ProgramEnded);
    EXPECT_TRUE(program.messages.empty());
    EXPECT_THROW(app::HandleEvent(program, [] { throw std::overflow_error("Overflow"); }), ProgramEnded);
    ASSERT_EQ(program.messages.size(), 1U);
    EXPECT_EQ(program.messages[0].caption, "ZRL Kerbcall");
    EXPECT_NE(program.messages[0].text.find("Overflow"), std::string::npos);
}

}  // namespace
}  // namespace kerbcall::fakes
