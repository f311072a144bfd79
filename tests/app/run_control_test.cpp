#include <algorithm>
#include <stdexcept>

#include "app/run_control.h"
#include "tests/app/app_fixture.h"

namespace kerbcall::fakes {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class RunControlTest : public AppTest {
protected:
    // Monza.ini chosen with these notes, the simulator running with the car
    // at `distance`.
    void LoadMonzaWithCarAt(const std::string& notes, float distance) {
        globals.noteFileName = "Monza.ini";
        platform.files.files["C:\\Kerbcall\\Monza.ini"] = notes;
        Load();
        RunSimulatorAt(distance);
    }
};

TEST_F(RunControlTest, StartSendsTheActivationCueBeforeTheScanBegins) {
    Load();
    std::vector<std::string> commandsAtFirstYield;
    platform.pump.onYield = [&](int yield) {
        if (yield == 1) {
            commandsAtFirstYield = platform.mci.commands;
        }
        if (yield == 3) {
            form.Command2_Click();
        }
    };
    PressCommand2();
    EXPECT_THAT(commandsAtFirstYield, ElementsAreArray(PlayOf("activated.mp3")));
    EXPECT_EQ(platform.processes.snapshotsTaken, 3);
}

TEST_F(RunControlTest, StopWhileWaitingForTheSimulatorPlaysTheCueAndEnds) {
    Load();
    platform.pump.onYield = [&](int yield) {
        if (yield == 5) {
            form.Command2_Click();
        }
    };
    PressCommand2();
    EXPECT_THAT(platform.mci.commands, ElementsAreArray(Joined(PlayOf("activated.mp3"), StopCommands())));
    EXPECT_THAT(platform.sleeper.sleeps, ElementsAre(1000U));
    EXPECT_EQ(platform.program.ends, 1);
    // The build probe and the trigger loop never ran.
    EXPECT_TRUE(platform.memory.reads.empty());
}

TEST_F(RunControlTest, StopCutsTheNoteOffAndNothingFollowsTheLastClose) {
    LoadMonzaWithCarAt("left3.mp3,125\r\nright2.mp3,241\r\n", 120.0F);
    platform.sleeper.onSleep = [&] { EXPECT_EQ(platform.mci.commands.back(), "play songNumber1"); };
    int samplesAtStop = 0;
    platform.pump.onYield = [&](int yield) {
        if (yield == 20) {
            samplesAtStop = static_cast<int>(platform.memory.reads.size());
            form.Command2_Click();
        }
    };
    PressCommand2();
    const auto expected =
        Joined(Joined(PlayOf("activated.mp3"), Joined({"close songNumber1"}, PlayOf("left3.mp3"))), StopCommands());
    EXPECT_THAT(platform.mci.commands, ElementsAreArray(expected));
    EXPECT_EQ(static_cast<int>(platform.memory.reads.size()), samplesAtStop);
    EXPECT_EQ(form.position.simProcess, kSimulatorHandle);
    EXPECT_EQ(form.position.positionAddress, kLatePositionAddress);
}

TEST_F(RunControlTest, CloseRequestBeforeStartPlaysTheDeactivationCue) {
    Load();
    std::int16_t cancel = 0;
    EXPECT_THROW(form.Form_QueryUnload(cancel, 0), ProgramEnded);
    EXPECT_THAT(platform.mci.commands, ElementsAreArray(StopCommands()));
    EXPECT_THAT(platform.sleeper.sleeps, ElementsAre(1000U));
    EXPECT_EQ(cancel, 0);
}

TEST_F(RunControlTest, CloseRequestDuringTheRunStopsOnce) {
    Load();
    RunSimulatorAt(0.0F);
    platform.pump.onYield = [&](int yield) {
        if (yield == 10) {
            std::int16_t cancel = 0;
            form.Form_QueryUnload(cancel, 1);
        }
    };
    PressCommand2();
    EXPECT_THAT(platform.mci.commands, ElementsAreArray(Joined(PlayOf("activated.mp3"), StopCommands())));
    EXPECT_EQ(platform.program.ends, 1);
}

TEST_F(RunControlTest, StartBeforeAFileIsChosenReportsTheMissingFileAndRunsOn) {
    Load();
    platform.pump.onYield = [&](int) { form.Command2_Click(); };
    PressCommand2();
    EXPECT_EQ(label1.text, " activated");
    EXPECT_EQ(command2.caption, "Stop");
    ASSERT_EQ(platform.program.messages.size(), 1U);
    EXPECT_EQ(platform.program.messages[0].text, "Could not find the ZRL Kerbcall.ini File");
    EXPECT_EQ(platform.program.messages[0].caption, "ZRL Kerbcall");
    EXPECT_THAT(platform.files.searched, ElementsAre("C:\\Kerbcall\\"));
    EXPECT_EQ(globals.lastNoteIndex, -1);
    EXPECT_EQ(platform.mci.commands.front(), OpenOf("activated.mp3"));
}

TEST_F(RunControlTest, ADamagedNoteFileEndsWithoutAnyCue) {
    globals.noteFileName = "Empty.ini";
    platform.files.files["C:\\Kerbcall\\Empty.ini"] = "";
    Load();
    PressCommand2();
    ASSERT_EQ(platform.program.messages.size(), 1U);
    EXPECT_EQ(platform.program.messages[0].text, "There is an unknown error in the ZRL Kerbcall.ini file");
    EXPECT_TRUE(platform.mci.commands.empty());
}

TEST_F(RunControlTest, AFailedProcessSnapshotEndsWithoutClosingTheCue) {
    Load();
    platform.processes.failingPasses = {1};
    PressCommand2();
    EXPECT_THAT(platform.mci.commands, ElementsAreArray(PlayOf("activated.mp3")));
    EXPECT_TRUE(platform.sleeper.sleeps.empty());
}

TEST_F(RunControlTest, CancelDuringTheRunEndsAtOnceWithoutACue) {
    LoadMonzaWithCarAt("left3.mp3,125\r\n", 500.0F);
    platform.pump.onYield = [&](int yield) {
        if (yield == 10) {
            chooser().PressCancel();
        }
    };
    PressCommand2();
    EXPECT_THAT(platform.mci.commands, ElementsAreArray(PlayOf("activated.mp3")));
    EXPECT_EQ(globals.noteFileName, "");
    EXPECT_TRUE(platform.sleeper.sleeps.empty());
    EXPECT_EQ(platform.program.ends, 1);
}

TEST_F(RunControlTest, SelectDuringTheRunRenamesTheLabelAndKeepsTheNotesRead) {
    LoadMonzaWithCarAt("left3.mp3,125\r\n", 500.0F);
    platform.pump.onYield = [&](int yield) {
        if (yield == 10) {
            chooser().filList.Click("Spa.1967.ini");
            chooser().PressSelect();
            EXPECT_EQ(label1.text, "Spa");
            EXPECT_EQ(globals.noteFileName, "Spa.1967.ini");
            MoveCarTo(125.0F);
        }
        if (yield == 20) {
            form.Command2_Click();
        }
    };
    PressCommand2();
    EXPECT_TRUE(chooser().window.closed);
    EXPECT_EQ(globals.paceNotes[0].soundFile, "left3.mp3");
    EXPECT_EQ(std::count(platform.mci.commands.begin(), platform.mci.commands.end(), OpenOf("left3.mp3")), 1);
}

TEST_F(RunControlTest, StartShowsTheMainWindowFirst) {
    Load();
    const int showsBefore = mainWindow.shows;
    platform.pump.onYield = [&](int) {
        EXPECT_EQ(mainWindow.shows, showsBefore + 1);
        form.Command2_Click();
    };
    PressCommand2();
}

TEST(HandleEventTest, AnUntakenErrorIsReportedAndEndsTheProgram) {
    FakeProgram program;
    EXPECT_THROW(app::HandleEvent(program, [] { throw std::overflow_error("Overflow"); }), ProgramEnded);
    ASSERT_EQ(program.messages.size(), 1U);
    EXPECT_EQ(program.messages[0].caption, "ZRL Kerbcall");
    EXPECT_NE(program.messages[0].text.find("Overflow"), std::string::npos);
}

TEST(HandleEventTest, AHandlerThatReturnsReportsNothing) {
    FakeProgram program;
    bool ran = false;
    app::HandleEvent(program, [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(program.messages.empty());
    EXPECT_EQ(program.ends, 0);
}

TEST(HandleEventTest, EndingTheProgramInsideAHandlerIsNoError) {
    FakeProgram program;
    EXPECT_THROW(app::HandleEvent(program, [&] { program.End(); }), ProgramEnded);
    EXPECT_TRUE(program.messages.empty());
}

}  // namespace
}  // namespace kerbcall::fakes
