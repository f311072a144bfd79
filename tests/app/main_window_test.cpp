#include "app/main_window.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/run_control.h"
#include "simlink/position_reader.h"
#include "tests/app/fake_controls.h"
#include "tests/fakes/fake_platform.h"

namespace kerbcall::fakes {
namespace {

using Heard = std::vector<std::string>;

// The main window with fake controls on the fake platform, the program in C:\Kerbcall.
struct App {
    FakeChooserView& chooser() { return *views.last; }
    app::FrmFileManager2& chooserForm() { return *chooser().form; }

    void Choose(const std::string& folder, const std::string& file) {
        static_cast<void>(chooser().dirList.SetPath(folder));
        chooser().filList.Click(file);
        chooserForm().filList_DblClick();
    }
    void PressCommand2() { EXPECT_THROW(form.Command2_Click(), ProgramEnded); }

    // The simulator runs as zrl.exe, early build.
    void RunSimulatorAt(float distance) {
        platform.processes.passes = {{{1, "init"}, {4242, "zrl.exe"}}};
        platform.memory.openable[4242] = 77;
        platform.memory.Store(kBuildProbeAddress, {kEarlyBuildProbeByte, 0, 0, 0});
        MoveCarTo(distance);
    }
    void MoveCarTo(float distance) {
        const auto bytes = std::bit_cast<std::array<std::uint8_t, 4>>(distance);
        platform.memory.Store(kEarlyPositionAddress, {bytes.begin(), bytes.end()});
    }

    // The sounds opened and the closes, in order.
    Heard HeardSoFar() const {
        Heard heard;
        for (const std::string& command : platform.mci.commands) {
            if (const auto name = command.find("Sounds\\"); name != std::string::npos) {
                heard.push_back(command.substr(name + 7, command.find('.', name) - name - 7));
            } else if (command.starts_with("close")) {
                heard.emplace_back("close");
            }
        }
        return heard;
    }

    FakePlatform platform;
    Globals globals;
    FakeWindow mainWindow;
    FakeButton command2{"Start"};
    FakeLabel label1;
    FakeChooserViews views;
    app::StartupForm form{globals, platform.services, {mainWindow, command2, label1}, views};
};

TEST(ChooserTest, OpensOnTheProgramFolderAndRecordsTheFileChosen) {
    const struct {
        const char* folder;
        const char* file;
        const char* track;  // nullptr: the chooser stays open
    } cases[] = {{"C:\\Kerbcall", "Monza.ini", "Monza"}, {"C:\\Kerbcall", "Spa.1967.ini", "Spa"},
                 {"C:\\Kerbcall", ".ini", ""},           {"C:\\Kerbcall", "", nullptr},
                 {"C:\\Kerbcall", "NoDot", "NoDot"},     {"C:\\Tracks", "Imola.ini", "Imola"}};
    App app;
    for (const auto& c : cases) {
        app.mainWindow.shows = 0;
        app.form.Form_Load();
        EXPECT_EQ(app.chooser().drvList.drive, "c:");
        EXPECT_EQ(app.chooser().filList.path, "C:\\Kerbcall");
        EXPECT_EQ(app.chooser().filList.pattern, "*.ini");
        EXPECT_FALSE(app.chooser().cmdSelect.enabled);
        EXPECT_EQ(app.chooser().window.shows, 1);
        app.Choose(c.folder, c.file);
        EXPECT_EQ(app.chooser().window.closed, c.track != nullptr) << c.file;
        EXPECT_EQ(app.mainWindow.shows, c.track != nullptr ? 1 : 0) << c.file;
        EXPECT_EQ(app.label1.text, c.track != nullptr ? c.track : "") << c.file;
    }
    // The file chosen last is read from its own folder.
    app.platform.pump.onYield = [&](int) { app.form.Command2_Click(); };
    app.PressCommand2();
    EXPECT_EQ(app.platform.files.searched, std::vector<std::string>{"C:\\Tracks\\Imola.ini"});
    EXPECT_THROW(app.chooserForm().cmdCancel_Click(), ProgramEnded);
    EXPECT_EQ(app.globals.noteFileName, "");
}

TEST(ChooserTest, DriveAndFolderChangesOpenTheirFolderAndDisableSelect) {
    const struct {
        const char* name;
        void (*change)(FakeChooserView&);
        const char* drive;
        const char* folder;
    } cases[] = {
        {"a drive", [](FakeChooserView& view) { view.drvList.SetDrive("d:"); }, "d:", "d:\\"},
        {"an unreachable drive", [](FakeChooserView& view) { view.drvList.SetDrive("a:"); }, "c:", "C:\\Kerbcall"},
        {"a folder", [](FakeChooserView& view) { static_cast<void>(view.dirList.SetPath("C:\\Tracks")); },
         "c:", "C:\\Tracks"},
        {"a highlight and the focus leaving",
         [](FakeChooserView& view) {
             view.dirList.highlighted = "C:\\Tracks";
             view.form->dirList_LostFocus();
         },
         "c:", "C:\\Tracks"},
    };
    App app;
    for (const auto& c : cases) {
        app.form.Form_Load();
        app.chooser().dirList.unreachableDrives = {"a:"};
        app.chooser().filList.Click("Monza.ini");
        c.change(app.chooser());
        EXPECT_EQ(app.chooser().drvList.drive, c.drive) << c.name;
        EXPECT_EQ(app.chooser().filList.path, c.folder) << c.name;
        EXPECT_FALSE(app.chooser().cmdSelect.enabled) << c.name;
    }
    app.chooser().filList.Click("Imola.ini");
    app.chooserForm().dirList_LostFocus();
    EXPECT_TRUE(app.chooser().cmdSelect.enabled) << "the open folder highlighted changes nothing";
}

TEST(MainWindowTest, OnlyTheExactCaptionStartStartsARun) {
    for (const std::string caption : {"Start", "start", "Start ", "Stop", ""}) {
        App app;
        app.form.Form_Load();
        app.command2.caption = caption;
        app.platform.pump.onYield = [&](int) { app.form.Command2_Click(); };
        app.PressCommand2();
        EXPECT_EQ(app.HeardSoFar().front() == "activated", caption == "Start") << caption;
        EXPECT_EQ(app.platform.sleeper.sleeps, std::vector<std::uint32_t>{1000}) << caption;
    }
}

// At the tenth yield the user picks another file and the car reaches the first note; at the twentieth one acts.
TEST(RunControlTest, WhatTheUserDoesDuringARunIsWhatIsHeard) {
    enum Action { kStop, kCloseWindow, kCancel };
    const struct {
        const char* noteFile;  // nullptr: none
        bool simulatorRuns;
        int failingPass;
        Action action;
        Heard heard;
        const char* message;
    } cases[] = {
        {nullptr, false, -1, kStop, {"activated", "close", "deactivated", "close"}, kMissingNoteFileMessage},
        {"left3.mp3,125\r\nright2.mp3,241",
         true,
         -1,
         kStop,
         {"activated", "close", "left3", "close", "deactivated", "close"},
         nullptr},
        {"left3.mp3,125",
         true,
         -1,
         kCloseWindow,
         {"activated", "close", "left3", "close", "deactivated", "close"},
         nullptr},
        {"left3.mp3,125", true, -1, kCancel, {"activated", "close", "left3"}, nullptr},
        {"left3.mp3,125", true, 0, kStop, {"activated"}, nullptr},
        {"", true, -1, kStop, {}, kDamagedNoteFileMessage},
    };
    for (const auto& c : cases) {
        App app;
        if (c.noteFile != nullptr) {
            app.platform.files.files["C:\\Kerbcall\\Monza.ini"] = c.noteFile;
        }
        if (c.simulatorRuns) {
            app.RunSimulatorAt(500.0F);
        }
        app.platform.processes.failingPass = c.failingPass;
        app.form.Form_Load();
        app.Choose("C:\\Kerbcall", "Monza.ini");
        std::size_t readsAtAction = 0;
        app.platform.pump.onYield = [&](int yield) {
            EXPECT_EQ(app.label1.text, yield <= 10 ? "Monza activated" : "Spa");
            if (yield == 10) {
                app.Choose("C:\\Kerbcall", "Spa.1967.ini");
                app.MoveCarTo(125.0F);
            } else if (yield == 20) {
                readsAtAction = app.platform.memory.reads.size();
                std::int16_t cancel = 0;  // each of these ends the program
                if (c.action == kStop) {
                    app.form.Command2_Click();
                }
                if (c.action == kCancel) {
                    app.chooserForm().cmdCancel_Click();
                }
                app.form.Form_QueryUnload(cancel, 0);
            }
        };
        app.PressCommand2();
        const std::string row = c.noteFile == nullptr ? "no file" : c.noteFile;
        EXPECT_EQ(app.HeardSoFar(), c.heard) << row;
        EXPECT_EQ(app.platform.sleeper.sleeps.size(), std::ranges::count(c.heard, "deactivated")) << row;
        EXPECT_EQ(app.platform.memory.reads.size(), c.simulatorRuns && c.failingPass < 0 ? readsAtAction : 0U) << row;
        ASSERT_EQ(app.platform.program.messages.size(), c.message == nullptr ? 0U : 1U) << row;
        if (c.message != nullptr) {
            EXPECT_EQ(app.platform.program.messages[0].text, c.message);
        }
    }
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
