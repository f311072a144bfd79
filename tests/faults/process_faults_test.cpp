// The simulator process as a user meets it: it exits in the middle of a run,
// and processes come and go or are cut short while the process list is read.
// Real /proc, real memory reads, a real stand-in simulator.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/proc_mem_reader.h"
#include "platform/posix/proc_process_list.h"
#include "tests/app/fake_controls.h"
#include "tests/fakes/fake_platform.h"
#include "tests/faults/scratch_folder.h"
#include "tests/posix/sim_process.h"

namespace kerbcall::faults {
namespace {

// One of the simulator's names, in capitals as a Windows program may show it.
const std::vector<std::string> kSimulator = {"--name",  "ZRLCF2.EXE", "--build", "early", "--hold",
                                             "--start", "1000",       "--speed", "0.001"};

// The whole run of the main window, its controls faked and everything else
// real: the note file on disk, /proc, the memory reads. The simulator exits
// and another starts: nothing is called while none runs (the note at 5 holds
// the 0.0 of a failed read), the new one is found and called from a fresh
// start, and Stop still ends the program.
TEST(ProcessFaults, ASimulatorThatExitsIsLookedForAgainAndStopStillEndsTheProgram) {
    constexpr int kPassesEach = 20;
    ScratchFolder folder;
    folder.Write("Stage.ini", "start.mp3,1000\r\nnear zero.mp3,5\r\n");
    std::optional<posix::testing::SimProcess> simulator(std::in_place, kSimulator);
    const auto firstId = static_cast<std::uint32_t>(simulator->pid());
    posix::testing::OnlyStartedProcesses processes({firstId});
    std::ostringstream hints;
    posix::ProcMemReader memory(hints);
    posix::PosixFiles files;
    fakes::FakePlatform fake;
    fake.program.folder = folder.path();
    platform::Services services{processes, memory, files, fake.mci, fake.sleeper, fake.pump, fake.program};
    Globals globals;
    globals.noteFileName = "Stage.ini";
    fakes::FakeWindow window;
    fakes::FakeButton command2{app::kStartCaption};
    fakes::FakeLabel label1;
    fakes::FakeChooserViews views;
    app::StartupForm form(globals, services, {window, command2, label1}, views);

    int passesOnFirst = 0;
    int passesOnSecond = 0;
    std::vector<std::string> opened;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    const auto stop = [&] {
        std::ranges::copy_if(fake.mci.commands, std::back_inserter(opened),
                             [](const std::string& command) { return command.starts_with("open"); });
        form.Command2_Click();
    };
    fake.pump.onYield = [&](int) {
        if (std::chrono::steady_clock::now() > giveUp) {
            stop();  // the second simulator was never read
        }
        if (std::abs(form.position.currentPosition - 1000.0F) > 1.0F) {
            return;  // looking for a simulator, or reading one that has gone
        }
        if (form.discovery.simProcessId == firstId && ++passesOnFirst == kPassesEach) {
            simulator.reset();
            simulator.emplace(kSimulator);
            processes.Add(static_cast<std::uint32_t>(simulator->pid()));
        } else if (form.discovery.simProcessId != firstId && ++passesOnSecond == kPassesEach) {
            stop();
        }
    };
    EXPECT_THROW(form.Command2_Click(), fakes::ProgramEnded);

    EXPECT_EQ(form.discovery.simProcessId, static_cast<std::uint32_t>(simulator->pid()));
    EXPECT_EQ(opened,
              (std::vector<std::string>{form.sound.OpenCommand("activated.mp3"), form.sound.OpenCommand("start.mp3"),
                                        form.sound.OpenCommand("start.mp3")}));
    EXPECT_EQ(fake.sleeper.sleeps, std::vector<std::uint32_t>{app::kDeactivationCueMilliseconds});
    EXPECT_EQ(fake.mci.commands.back(), "close songNumber1");
}

TEST(ProcessFaults, ProcessesVanishingDuringTheScanDoNotHideTheSimulator) {
    posix::testing::SimProcess simulator(kSimulator);
    std::atomic<bool> stop{false};
    std::thread churn([&stop] {
        while (!stop) {
            if (const pid_t child = ::fork(); child == 0) {
                ::_exit(0);
            } else if (child > 0) {
                ::waitpid(child, nullptr, 0);
            }
        }
    });
    posix::ProcFsProcessList processes;
    for (int i = 0; i < 100; ++i) {
        const auto snapshot = processes.TakeSnapshot();
        ASSERT_NE(snapshot, nullptr);
        int found = 0;
        for (platform::ProcessEntry entry; snapshot->Next(entry);) {
            found += entry.processId == static_cast<std::uint32_t>(simulator.pid()) && entry.exeName == "ZRLCF2.EXE";
        }
        EXPECT_EQ(found, 1) << "snapshot " << i;
    }
    stop = true;
    churn.join();
}

// Process folders as /proc shows them for a moment: some have lost their
// files already, some are zombies, some were cut short.
TEST(ProcessFaults, ProcessFoldersThatVanishedOrAreCutShortAreLeftOut) {
    ScratchFolder proc;
    proc.Write("100/stat", "100 (zrl.exe) S 1 100 100 0 -1");
    proc.Write("101/gone", "");
    proc.Write("102/stat", "102 (zrlc55.exe) Z 1 102 102 0 -1");
    proc.Write("103/stat", "103 (zrlc65.exe");
    proc.Write("104/stat", "");
    proc.Write("105/stat", "105 (zrlc66.exe_with_a_long_name) S 1");  // no cmdline left
    proc.Write("106/stat", "106 (a) (b)) R 1 106");
    proc.Write("107/stat", "107 (a-much-longer-s) S 1");
    proc.Write("107/cmdline", std::string("C:\\Sim\\a-much-longer-sim.exe\0--hold\0", 36));
    proc.Write("108/stat", "108 (a-much-longer-s) S 1");
    proc.Write("108/cmdline", "worker: idle");
    proc.Write("109/stat", "109 (zrlc67.exe) R 1 109 109 0 -1 4194308 0");  // exiting: its memory going
    proc.Write("110/stat", "110 (zrlm66.exe) R 1 110 110 0 -1 4194304 0");
    proc.Write("self/stat", "7 (zrl.exe) S 1");
    proc.Write("0/stat", "0 (zrl.exe) S 1");
    proc.Write("99999999999/stat", "1 (zrl.exe) S 1");
    posix::ProcFsProcessList processes(proc.path());
    const auto snapshot = processes.TakeSnapshot();
    ASSERT_NE(snapshot, nullptr);
    std::vector<std::pair<std::uint32_t, std::string>> entries;
    for (platform::ProcessEntry entry; snapshot->Next(entry);) {
        entries.emplace_back(entry.processId, entry.exeName);
    }
    std::ranges::sort(entries);
    EXPECT_EQ(entries, (std::vector<std::pair<std::uint32_t, std::string>>{{100, "zrl.exe"},
                                                                           {106, "a) (b)"},
                                                                           {107, "a-much-longer-sim.exe"},
                                                                           {108, "a-much-longer-s"},
                                                                           {110, "zrlm66.exe"}}));
    EXPECT_EQ(posix::ProcFsProcessList(proc.PathOf("missing")).TakeSnapshot(), nullptr);
}

}  // namespace
}  // namespace kerbcall::faults
