#include "tests/app/app_fixture.h"

namespace kerbcall::fakes {
namespace {

using ::testing::ElementsAre;

class MainWindowTest : public AppTest {};

TEST_F(MainWindowTest, LoadOpensTheChooserAndLeavesTheWindowIdle) {
    std::vector<std::string> log;
    mainWindow.log = &log;
    views.prepare = [prepare = views.prepare, &log](FakeChooserView& view) {
        prepare(view);
        view.window.log = &log;
        view.window.name = "chooser";
    };
    form.Form_Load();
    EXPECT_THAT(log, ElementsAre("show chooser"));
    EXPECT_EQ(form.Chooser() != nullptr, true);
    EXPECT_EQ(command2.caption, "Start");
    EXPECT_EQ(label1.text, "");
    EXPECT_TRUE(platform.mci.commands.empty());
}

TEST_F(MainWindowTest, StartAfterChoosingMonzaMarksTheLabelActivated) {
    Load();
    chooser().filList.Click("Monza.ini");
    chooser().PressSelect();
    platform.pump.onYield = [&](int) {
        EXPECT_EQ(label1.text, "Monza activated");
        EXPECT_EQ(command2.caption, "Stop");
        form.Command2_Click();
        ADD_FAILURE() << "the stop press returned";
    };
    PressCommand2();
    // The label and the caption keep their texts to the end.
    EXPECT_EQ(label1.text, "Monza activated");
    EXPECT_EQ(command2.caption, "Stop");
}

struct CaptionCase {
    const char* caption;
    bool starts;
};

class CaptionTest : public MainWindowTest, public ::testing::WithParamInterface<CaptionCase> {};

TEST_P(CaptionTest, OnlyTheExactCaptionStartStartsARun) {
    Load();
    command2.caption = GetParam().caption;
    platform.pump.onYield = [&](int) { form.Command2_Click(); };
    PressCommand2();
    const bool activationCuePlayed =
        !platform.mci.commands.empty() && platform.mci.commands.front() == OpenOf("activated.mp3");
    EXPECT_EQ(activationCuePlayed, GetParam().starts);
    EXPECT_EQ(label1.text, GetParam().starts ? " activated" : "");
    EXPECT_EQ(platform.sleeper.sleeps.size(), 1U);
}

INSTANTIATE_TEST_SUITE_P(Captions, CaptionTest,
                         ::testing::Values(CaptionCase{"Start", true}, CaptionCase{"start", false},
                                           CaptionCase{"Start ", false}, CaptionCase{"Stop", false},
                                           CaptionCase{"", false}));

TEST_F(MainWindowTest, FileExistsAsksThePlatform) {
    platform.files.folders = {"C:\\Kerbcall"};
    EXPECT_TRUE(form.FileExists("C:\\Kerbcall"));
    EXPECT_FALSE(form.FileExists("C:\\Kerbcall\\"));
}

}  // namespace
}  // namespace kerbcall::fakes
