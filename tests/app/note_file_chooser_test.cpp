#include "tests/app/app_fixture.h"

namespace kerbcall::fakes {
namespace {

using ::testing::ElementsAre;

class ChooserTest : public AppTest {};

TEST_F(ChooserTest, OpensOnTheProgramFolderWithSelectDisabled) {
    Load();
    EXPECT_EQ(chooser().drvList.drive, "c:");
    EXPECT_EQ(chooser().dirList.path, "C:\\Kerbcall");
    EXPECT_EQ(chooser().filList.path, "C:\\Kerbcall");
    EXPECT_EQ(chooser().filList.pattern, "*.ini");
    EXPECT_THAT(chooser().filList.Listed(), ElementsAre("Monza.ini", "Spa.1967.ini"));
    EXPECT_EQ(chooser().filList.FileName(), "");
    EXPECT_FALSE(chooser().cmdSelect.enabled);
    EXPECT_EQ(chooser().window.shows, 1);
}

struct TrackCase {
    const char* fileName;
    const char* trackName;
};

class TrackNameTest : public ChooserTest, public ::testing::WithParamInterface<TrackCase> {};

TEST_P(TrackNameTest, SelectWritesTheNameUpToTheFirstDot) {
    Load();
    chooser().filList.Click(GetParam().fileName);
    chooser().PressSelect();
    EXPECT_EQ(globals.noteFileName, GetParam().fileName);
    EXPECT_EQ(label1.text, GetParam().trackName);
}

INSTANTIATE_TEST_SUITE_P(Names, TrackNameTest,
                         ::testing::Values(TrackCase{"Monza.ini", "Monza"}, TrackCase{"Spa.1967.ini", "Spa"},
                                           TrackCase{".ini", ""}, TrackCase{"Le Mans.INI", "Le Mans"},
                                           TrackCase{"NoDot", "NoDot"}));

TEST_F(ChooserTest, SelectClosesTheChooserThenBringsTheMainWindowForward) {
    std::vector<std::string> log;
    mainWindow.log = &log;
    Load();
    chooser().window.log = &log;
    chooser().filList.Click("Monza.ini");
    EXPECT_TRUE(chooser().cmdSelect.enabled);
    chooser().PressSelect();
    EXPECT_THAT(log, ElementsAre("close chooser", "show main"));
}

TEST_F(ChooserTest, AFileFromAnotherFolderIsReadFromThatFolder) {
    Load();
    chooser().dirList.DoubleClick("C:\\Tracks");
    chooser().filList.Click("Imola.ini");
    chooser().PressSelect();
    EXPECT_EQ(globals.noteFileName, "Imola.ini");
    platform.pump.onYield = [&](int) { form.Command2_Click(); };
    PressCommand2();
    EXPECT_THAT(platform.files.searched, ElementsAre("C:\\Tracks\\Imola.ini"));
}

TEST_F(ChooserTest, DoubleClickInAFreshFolderSelectsAtOnce) {
    Load();
    chooser().dirList.DoubleClick("C:\\Tracks");
    ASSERT_FALSE(chooser().cmdSelect.enabled);
    chooser().filList.DoubleClick("Imola.ini");
    EXPECT_TRUE(chooser().window.closed);
    EXPECT_EQ(label1.text, "Imola");
}

TEST_F(ChooserTest, DoubleClickWithNothingSelectedIsIgnored) {
    Load();
    chooser().filList.DoubleClick("");
    EXPECT_FALSE(chooser().window.closed);
    EXPECT_EQ(mainWindow.shows, 0);
}

TEST_F(ChooserTest, AnUnreachableDrivePutsTheDriveBackWithoutAMessage) {
    views.prepare = [prepare = views.prepare](FakeChooserView& view) {
        prepare(view);
        view.dirList.unreachableDrives = {"a:"};
        view.dirList.currentFolders["c:"] = "C:\\Tracks";
    };
    Load();
    chooser().filList.Click("Monza.ini");
    const int changesBefore = chooser().drvList.changes;
    chooser().drvList.Pick("a:");
    EXPECT_EQ(chooser().drvList.drive, "c:");
    EXPECT_EQ(chooser().drvList.changes, changesBefore + 2);
    // The change for the restored drive opened its current folder.
    EXPECT_EQ(chooser().dirList.path, "C:\\Kerbcall");
    EXPECT_FALSE(chooser().cmdSelect.enabled);
    EXPECT_TRUE(platform.program.messages.empty());
}

TEST_F(ChooserTest, ADriveChangeOpensThatDrivesCurrentFolder) {
    Load();
    chooser().drvList.Pick("d:");
    EXPECT_EQ(chooser().dirList.path, "d:\\");
    EXPECT_EQ(chooser().filList.path, "d:\\");
}

TEST_F(ChooserTest, AHighlightedFolderOpensWhenTheListLosesFocus) {
    Load();
    chooser().dirList.Highlight("C:\\Tracks");
    EXPECT_EQ(chooser().filList.path, "C:\\Kerbcall");
    chooser().dirList.LoseFocus();
    EXPECT_EQ(chooser().dirList.path, "C:\\Tracks");
    EXPECT_THAT(chooser().filList.Listed(), ElementsAre("Imola.ini"));
    EXPECT_FALSE(chooser().cmdSelect.enabled);
}

TEST_F(ChooserTest, LosingFocusWithTheOpenFolderHighlightedChangesNothing) {
    Load();
    chooser().filList.Click("Monza.ini");
    const int changesBefore = chooser().dirList.changes;
    chooser().dirList.LoseFocus();
    EXPECT_EQ(chooser().dirList.changes, changesBefore);
    EXPECT_TRUE(chooser().cmdSelect.enabled);
}

struct ChangeCase {
    const char* name;
    void (*change)(FakeChooserView&);
};

class SelectDisabledTest : public ChooserTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(SelectDisabledTest, ChangingDriveOrFolderAfterASelectionDisablesSelect) {
    Load();
    chooser().filList.Click("Monza.ini");
    ASSERT_TRUE(chooser().cmdSelect.enabled);
    GetParam().change(chooser());
    EXPECT_FALSE(chooser().cmdSelect.enabled);
    EXPECT_EQ(chooser().filList.FileName(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Changes, SelectDisabledTest,
    ::testing::Values(ChangeCase{"drive", [](FakeChooserView& view) { view.drvList.Pick("d:"); }},
                      ChangeCase{"folder", [](FakeChooserView& view) { view.dirList.DoubleClick("C:\\Tracks"); }},
                      ChangeCase{"highlight",
                                 [](FakeChooserView& view) {
                                     view.dirList.Highlight("C:\\Tracks");
                                     view.dirList.LoseFocus();
                                 }}),
    [](const ::testing::TestParamInfo<ChangeCase>& change) { return std::string(change.param.name); });

TEST_F(ChooserTest, CancelEndsAtOnceWithoutSoundAndEmptiesTheName) {
    Load();
    globals.noteFileName = "Monza.ini";
    EXPECT_THROW(chooser().PressCancel(), ProgramEnded);
    EXPECT_EQ(globals.noteFileName, "");
    EXPECT_TRUE(platform.mci.commands.empty());
    EXPECT_TRUE(platform.sleeper.sleeps.empty());
}

}  // namespace
}  // namespace kerbcall::fakes
