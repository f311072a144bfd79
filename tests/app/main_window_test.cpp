#include "app/main_window.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstring>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "app/run_control.h"
#include "simlink/position_reader.h"
#include "tests/app/fake_controls.h"
#include "tests/fakes/fake_platform.h"

namespace kerbcall::fakes {
namespace {

// The main window with fake controls on the fake platform, the program in C:\Kerbcall.
struct App {
    void Choose(const std::string& file) {
        views.last->filList.selected = file;
        views.last->form->filList_Click();
        views.last->form->filList_DblClick();
    }
    void MoveCarTo(float distance) {
        const auto bytes = std::bit_cast<std::array<std::uint8_t, 4>>(distance);
        platform.memory.Store(kEarlyPositionAddress, {bytes.begin(), bytes.end()});
    }
    // The sounds opened and the closes, in order: "activated close left3".
    std::string Heard() const {
        std::string heard;
        for (const std::string& command : platform.mci.commands) {
            if (const auto name = command.find("Sounds\\"); name != std::string::npos) {
                heard += " " + command.substr(name + 7, command.find('.', name) - name - 7);
            } else if (command.starts_with("close")) {
                heard += " close";
            }
        }
        return heard.empty() ? heard : heard.substr(1);
    }
    FakePlatform platform;
    Globals globals;
    FakeControl mainWindow;
    FakeControl command2{"Start"};
    FakeControl label1;
    FakeControl status;  // the status line and its timer
    FakeChooserViews views;
    app::StartupForm form{globals, platform.services, {mainWindow, command2, label1, status, status}, views};
};

TEST(ChooserTest, OpensOnTheProgramFolderAndPutsAnUnreachableDriveBack) {
    App app;
    app.form.Form_Load();
    FakeChooserView& chooser = *app.views.last;
    EXPECT_EQ(std::pair(app.mainWindow.shows, chooser.window.shows), std::pair(0, 1));
    chooser.unreachableDrives = {"A:"};
    chooser.SetDrive("A:");
    EXPECT_EQ(chooser.drive, "C:");
    EXPECT_EQ(chooser.filList.path, "C:\\Kerbcall");
    EXPECT_EQ(app::TrackName(".ini"), "");  // "Spa.1967.ini" below: the name ends at the first dot
}

// The folder of the last file chosen is remembered; one that is gone or damaged is not.
TEST(ChooserTest, OpensWhereTheLastNoteFileWasChosen) {
    using namespace std::string_literals;
    const std::string setting = "C:\\Users\\Driver\\Kerbcall\\last-note-folder";
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {std::nullopt, "C:\\Kerbcall"}, {"D:\\Stages\r\n", "D:\\Stages"},    {"D:\\Stages", "D:\\Stages"},
        {"Z:\\Gone\n", "C:\\Kerbcall"}, {"D:\\St\0ages\n"s, "C:\\Kerbcall"}, {"\n", "C:\\Kerbcall"}};
    for (const auto& [remembered, opens] : cases) {
        App app;
        app.views.unreachableDrives = {"Z:"};
        if (remembered) {
            app.platform.files.files[setting] = *remembered;
        }
        app.form.Form_Load();
        EXPECT_EQ(app.views.last->filList.path, opens);
        app.Choose("Monza.ini");
        EXPECT_EQ(app.platform.files.files[setting], opens + "\n");
    }
}

// The simulator runs from the start, its distance unreadable (no distance: a note at 5 is not heard). At the tenth
// yield the user picks another file and the car reaches the first note; at the twentieth one acts.
TEST(RunControlTest, WhatTheUserDoesDuringARunIsWhatIsHeard) {
    enum Action { kStop, kCloseWindow, kCancel };
    const struct {
        const char* noteFile;  // nullptr: neither note file nor simulator
        int failingPass;
        Action action;
        const char* heard;
        const char* message;
    } cases[] = {
        {nullptr, -1, kStop, "activated close deactivated close", kMissingNoteFileMessage},
        {"left3.mp3,125\r\nright2.mp3,241", -1, kStop, "activated close left3 close deactivated close", ""},
        {"near.mp3,5\r\nleft3.mp3,125", -1, kCloseWindow, "activated close left3 close deactivated close", ""},
        {"left3.mp3,125", -1, kCancel, "activated close left3", ""},
        {"left3.mp3,125", 0, kStop, "activated", ""},
        {"", -1, kStop, "", kDamagedNoteFileMessage},
    };
    for (const auto& c : cases) {
        App app;
        if (c.noteFile != nullptr) {
            app.platform.files.files["C:\\Tracks\\Monza.ini"] = c.noteFile;
            app.platform.processes.passes = {{{1, "init"}, {4242, "zrl.exe"}}};
            app.platform.memory.openable[4242] = 77;
            app.platform.memory.Store(kBuildProbeAddress, {kEarlyBuildProbeByte, 0, 0, 0});
        }
        app.platform.processes.failingPass = c.failingPass;
        app.form.Form_Load();
        app.views.last->filList.path = "C:\\Tracks";  // the note file is read from the folder it was chosen in
        app.Choose("Monza.ini");
        app.platform.pump.onYield = [&](int yield) {
            EXPECT_EQ(app.label1.text, yield <= 10 ? "Monza activated" : "Spa");
            if (yield == 10) {
                app.Choose("Spa.1967.ini");
                app.MoveCarTo(125.0F);
            } else if (yield == 20) {
                std::int16_t cancel = 0;
                const std::function<void()> acts[] = {[&] { app.form.Command2_Click(); },
                                                      [&] { app.form.Form_QueryUnload(cancel, 0); },
                                                      [&] { app.views.last->form->cmdCancel_Click(); }};
                acts[c.action]();
            }
        };
        EXPECT_THROW(app.form.Command2_Click(), ProgramEnded);
        const std::string heard = c.heard;
        EXPECT_EQ(app.Heard(), heard);
        EXPECT_EQ(app.platform.sleeper.sleeps.size(), heard.find("deactivated") == std::string::npos ? 0U : 1U);
        EXPECT_EQ(app.platform.program.messages.size(), *c.message == '\0' ? 0U : 1U) << heard;
        EXPECT_EQ(app.platform.program.messages.empty() ? "" : app.platform.program.messages[0].text, c.message);
    }
    for (const char* caption : {"start", "Start ", "START"}) {  // only the exact caption starts a run
        App app;
        app.command2.text = caption;
        app.platform.pump.onYield = [&](int) { app.form.Command2_Click(); };  // a run started is stopped at once
        EXPECT_THROW(app.form.Command2_Click(), ProgramEnded) << caption;
        EXPECT_EQ(app.Heard(), "close deactivated close") << caption;
    }
}

// The window's timer ticks at each yield; the simulator is listed from the second scan on.
TEST(RunControlTest, TheStatusLineSaysWhatTheRunIsDoing) {
    const char* const said[] = {
        "Waiting for the simulator; no sound output: server down",
        "zrl.exe (pid 4242) at 5; no sound output: server down",
        "zrl.exe (pid 4242) at 125; called left3.mp3 at 125",
        "zrl.exe (pid 4242) at 241; could not open right2.mp3",
        "zrl.exe (pid 4242) ended; waiting for the simulator; could not open right2.mp3",
    };
    App app;
    app.platform.files.files["C:\\Kerbcall\\Monza.ini"] = "left3.mp3,125\r\nright2.mp3,241";
    app.platform.processes.passes = {{}, {{4242, "zrl.exe"}}};
    app.platform.memory.openable[4242] = 77;
    app.platform.memory.Store(kBuildProbeAddress, {kEarlyBuildProbeByte, 0, 0, 0});
    app.MoveCarTo(5.0F);
    app.platform.mci.answer = 266;  // no audio device
    app.platform.mci.problem = "server down";
    const std::function<void()> next[] = {[&] { app.platform.mci.answer = 0; }, [&] { app.MoveCarTo(125.0F); },
                                          [&] { app.platform.mci.answer = 275, app.MoveCarTo(241.0F); },
                                          [&] { app.platform.memory.bytes.clear(), app.platform.memory.exited = true; },
                                          [&] { app.form.Command2_Click(); }};
    app.platform.pump.onYield = [&](int yield) {
        ASSERT_LE(yield, 5);
        app.form.tmrStatus_Timer();
        EXPECT_EQ(app.status.text, said[yield - 1]);
        next[yield - 1]();
    };
    app.form.Form_Load();
    app.Choose("Monza.ini");
    EXPECT_THROW(app.form.Command2_Click(), ProgramEnded);
    EXPECT_EQ(app.status.interval, app::RunStatus::kRefreshPeriod);
    EXPECT_EQ(app.platform.mci.prepares, 1) << "Start opens a failed sound output again";
}

// A game read through its telemetry; a bad line of the settings skips wrc and is said.
TEST(RunControlTest, AGamesTelemetryIsCalledAndTheStatusLineNamesItsPortAndTheBadSetting) {
    constexpr char kBadLine[] =
        "; kerbcall.ini line 3: port must be a whole number from 1 to 65535, not \"x\" (and 1 more in kerbcall.ini)";
    const std::string said[] = {
        std::string("Waiting for the simulator") + kBadLine,
        std::string("Waiting for the simulator") + kBadLine,  // after WRC.exe, skipped
        std::string("Waiting for the simulator") + kBadLine,
        std::string("dirtrally2.exe (pid 17, UDP port 20777): no telemetry yet") + kBadLine,
        std::string("dirtrally2.exe (pid 17, UDP port 20777) at 125; 1 malformed packet dropped") + kBadLine +
            "; called left3.mp3 at 125",
    };
    App app;
    app.platform.files.files["C:\\Kerbcall\\Monza.ini"] = "left3.mp3,125\r\nright2.mp3,241";
    app.platform.files.files["C:\\Users\\Driver\\Kerbcall\\kerbcall.ini"] = "colour=red\n[wrc]\nport=x\n";
    app.platform.processes.passes = {{}, {{16, "WRC.exe"}, {17, "dirtrally2.exe"}}};
    std::string packet(264, '\0');
    const float distance = 125.0F;
    std::memcpy(packet.data() + 8, &distance, sizeof(distance));
    app.platform.pump.onYield = [&](int yield) {
        app.form.tmrStatus_Timer();
        EXPECT_EQ(app.status.text, said[yield - 1]);
        if (yield == 4) {
            app.platform.udp.datagrams = {packet.substr(1), packet};
        } else if (yield == 5) {
            app.form.Command2_Click();
        }
    };
    app.form.Form_Load();
    app.Choose("Monza.ini");
    EXPECT_THROW(app.form.Command2_Click(), ProgramEnded);
    EXPECT_EQ(app.Heard(), "activated close left3 close deactivated close");
}

TEST(HandleEventTest, AnUntakenErrorIsReportedAndEndsTheProgram) {
    FakeProgram program;
    app::HandleEvent(program, [] {});
    EXPECT_THROW(app::HandleEvent(program, [&] { program.End(); }), ProgramEnded);
    EXPECT_TRUE(program.messages.empty());
    EXPECT_THROW(app::HandleEvent(program, [] { throw std::overflow_error("Overflow"); }), ProgramEnded);
    ASSERT_EQ(program.messages.size(), 1U);
    EXPECT_EQ(program.messages[0].caption, "ZRL Kerbcall");
    EXPECT_NE(program.messages[0].text.find("Overflow"), std::string::npos);
}

}  // namespace
}  // namespace kerbcall::fakes
