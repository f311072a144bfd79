#include "tests/app/app_fixture.h"

namespace kerbcall::fakes {
namespace {

using ::testing::ElementsAre;

TEST_F(AppTest, LoadShowsOnlyTheChooserAndStartMarksTheTrackActivated) {
    std::vector<std::string> log;
    mainWindow.log = &log;
    views.prepare = [prepare = views.prepare, &log](FakeChooserView& view) {
        prepare(view);
        view.window.log = &log;
        view.window.name = "chooser";
    };
    form.Form_Load();
    EXPECT_THAT(log, ElementsAre("show chooser"));
    chooser().filList.Click("Monza.ini");
    chooser().PressSelect();
    platform.pump.onYield = [&](int) {
        EXPECT_EQ(label1.text, "Monza activated");
        EXPECT_EQ(command2.caption, "Stop");
        form.Command2_Click();
    };
    PressCommand2();
    EXPECT_EQ(label1.text, "Monza activated");
    EXPECT_THAT(log, ElementsAre("show chooser", "close chooser", "show main", "show main"));
}

TEST_F(AppTest, OnlyTheExactCaptionStartStartsARun) {
    Load();
    for (const std::string caption : {"Start", "start", "Start ", "Stop", ""}) {
        platform.mci.commands.clear();
        platform.sleeper.sleeps.clear();
        label1.text.clear();
        command2.caption = caption;
        platform.pump.onYield = [&](int) { form.Command2_Click(); };
        PressCommand2();
        const bool started = platform.mci.commands.front() == OpenOf("activated.mp3");
        EXPECT_EQ(started, caption == "Start") << caption;
        EXPECT_EQ(label1.text, started ? " activated" : "") << caption;
        EXPECT_THAT(platform.sleeper.sleeps, ElementsAre(1000U)) << caption;
    }
}

}  // namespace
}  // namespace kerbcall::fakes
