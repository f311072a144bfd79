#include "tests/app/app_fixture.h"

namespace kerbcall::fakes {
namespace {

using ::testing::ElementsAre;

TEST_F(AppTest, TheChooserOpensOnTheProgramFolderAndSelectRecordsTheNameFolderAndTrack) {
    const struct {
        const char* folder;
        const char* file;
        const char* track;
    } cases[] = {
        {"C:\\Kerbcall", "Monza.ini", "Monza"}, {"C:\\Kerbcall", "Spa.1967.ini", "Spa"}, {"C:\\Kerbcall", ".ini", ""},
        {"C:\\Kerbcall", "NoDot", "NoDot"},     {"C:\\Tracks", "Imola.ini", "Imola"},
    };
    for (const auto& c : cases) {
        Load();
        EXPECT_EQ(chooser().drvList.drive, "c:");
        EXPECT_EQ(chooser().filList.path, "C:\\Kerbcall");
        EXPECT_EQ(chooser().filList.pattern, "*.ini");
        EXPECT_FALSE(chooser().cmdSelect.enabled);
        chooser().dirList.DoubleClick(c.folder);
        chooser().filList.Click(c.file);
        chooser().PressSelect();
        EXPECT_EQ(globals.noteFileName, c.file);
        EXPECT_EQ(label1.text, c.track);
        EXPECT_TRUE(chooser().window.closed);
    }
    platform.pump.onYield = [&](int) { form.Command2_Click(); };
    PressCommand2();
    // The last file was picked in another folder, and is read from there.
    EXPECT_THAT(platform.files.searched, ElementsAre("C:\\Tracks\\Imola.ini"));
}

TEST_F(AppTest, ADoubleClickSelectsAtOnceUnlessNothingIsUnderIt) {
    Load();
    chooser().filList.DoubleClick("");
    EXPECT_FALSE(chooser().window.closed);
    chooser().dirList.DoubleClick("C:\\Tracks");
    chooser().filList.DoubleClick("Imola.ini");
    EXPECT_TRUE(chooser().window.closed);
    EXPECT_EQ(label1.text, "Imola");
}

TEST_F(AppTest, DriveAndFolderChangesOpenTheirFolderAndDisableSelect) {
    views.prepare = [prepare = views.prepare](FakeChooserView& view) {
        prepare(view);
        view.dirList.unreachableDrives = {"a:"};
    };
    const struct {
        const char* name;
        void (*change)(FakeChooserView&);
        const char* drive;
        const char* folder;
    } cases[] = {
        {"a drive", [](FakeChooserView& view) { view.drvList.Pick("d:"); }, "d:", "d:\\"},
        {"an unreachable drive", [](FakeChooserView& view) { view.drvList.Pick("a:"); }, "c:", "C:\\Kerbcall"},
        {"a folder", [](FakeChooserView& view) { view.dirList.DoubleClick("C:\\Tracks"); }, "c:", "C:\\Tracks"},
        {"a highlight and the focus leaving",
         [](FakeChooserView& view) {
             view.dirList.highlighted = "C:\\Tracks";
             view.dirList.LoseFocus();
         },
         "c:", "C:\\Tracks"},
    };
    for (const auto& c : cases) {
        Load();
        chooser().filList.Click("Monza.ini");
        c.change(chooser());
        EXPECT_EQ(chooser().drvList.drive, c.drive) << c.name;
        EXPECT_EQ(chooser().filList.path, c.folder) << c.name;
        EXPECT_FALSE(chooser().cmdSelect.enabled) << c.name;
        if (std::string(c.folder) != "C:\\Kerbcall") {
            EXPECT_EQ(chooser().filList.FileName(), "") << c.name;
        }
    }
    chooser().filList.Click("Imola.ini");
    chooser().dirList.LoseFocus();
    EXPECT_TRUE(chooser().cmdSelect.enabled) << "the open folder highlighted changes nothing";
    EXPECT_TRUE(platform.program.messages.empty());
}

TEST_F(AppTest, CancelEndsAtOnceWithoutSoundAndEmptiesTheName) {
    Load();
    globals.noteFileName = "Monza.ini";
    EXPECT_THROW(chooser().PressCancel(), ProgramEnded);
    EXPECT_EQ(globals.noteFileName, "");
    EXPECT_TRUE(platform.mci.commands.empty());
    EXPECT_TRUE(platform.sleeper.sleeps.empty());
}

}  // namespace
}  // namespace kerbcall::fakes
