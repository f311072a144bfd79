#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "simlink/position_reader.h"
#include "tests/app/fake_controls.h"
#include "tests/fakes/fake_platform.h"

namespace kerbcall::fakes {

inline constexpr char kProgramFolder[] = "C:\\Kerbcall";
inline constexpr std::uint32_t kSimulatorId = 4242;
inline constexpr platform::ProcessHandle kSimulatorHandle = 77;

// The main window with fake controls on the fake platform, the program folder
// C:\Kerbcall and a folder C:\Tracks beside it.
class AppTest : public ::testing::Test {
protected:
    AppTest() {
        platform.program.folder = kProgramFolder;
        views.prepare = [](FakeChooserView& view) { view.dirList.folders = {"C:\\Kerbcall", "C:\\Tracks"}; };
        mainWindow.name = "main";
    }

    void Load() {
        form.Form_Load();
        chooser().window.name = "chooser";
    }

    FakeChooserView& chooser() { return *views.last; }

    // Presses Command2 and returns once the program has ended.
    void PressCommand2() { EXPECT_THROW(form.Command2_Click(), ProgramEnded); }

    // The simulator runs as zrl.exe, late build, at `distance`.
    void RunSimulatorAt(float distance) {
        platform.processes.passes = {{{1, "init"}, {kSimulatorId, "zrl.exe"}}};
        platform.memory.openable[kSimulatorId] = kSimulatorHandle;
        MoveCarTo(distance);
    }
    void MoveCarTo(float distance) {
        const auto bytes = std::bit_cast<std::array<std::uint8_t, 4>>(distance);
        platform.memory.Store(kLatePositionAddress, {bytes.begin(), bytes.end()});
    }

    std::string OpenOf(const std::string& sound) const {
        return "open \"" + std::string(kProgramFolder) + "\\Zuda Vodaz Sounds\\" + sound +
               "\" type mpegvideo alias songNumber1";
    }
    std::vector<std::string> PlayOf(const std::string& sound) const {
        return {OpenOf(sound), "setaudio songNumber1 left on", "setaudio songNumber1 right on", "play songNumber1"};
    }
    std::vector<std::string> StopCommands() const {
        std::vector<std::string> commands{"close songNumber1"};
        for (const std::string& command : PlayOf("deactivated.mp3")) {
            commands.push_back(command);
        }
        commands.emplace_back("close songNumber1");
        return commands;
    }

    FakePlatform platform;
    Globals globals;
    FakeWindow mainWindow;
    FakeButton command2{"Start"};
    FakeLabel label1;
    FakeChooserViews views;
    app::StartupForm form{globals, platform.services, {mainWindow, command2, label1}, views};
};

inline std::vector<std::string> Joined(std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

}  // namespace kerbcall::fakes
