// /proc and /proc/PID/mem against the stand-in simulator, and the main window meeting one that exits.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <optional>
#include <sstream>
#include <tuple>

#include "app/main_window.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/proc_mem_reader.h"
#include "platform/posix/proc_process_list.h"
#include "simlink/position_reader.h"
#include "simlink/process_discovery.h"
#include "tests/app/fake_controls.h"
#include "tests/fakes/fake_platform.h"
#include "tests/faults/scratch_folder.h"
#include "tests/posix/sim_process.h"

namespace kerbcall::posix {
namespace {

std::uint32_t Id(pid_t process) { return static_cast<std::uint32_t>(process); }

// The processes as /proc lists them, so that other programs' simulators take no part.
std::vector<platform::ProcessEntry> Listed(const std::vector<pid_t>& processes) {
    std::vector<platform::ProcessEntry> listed;
    const auto snapshot = ProcFsProcessList().TakeSnapshot();
    for (platform::ProcessEntry entry; snapshot && snapshot->Next(entry);) {
        if (std::ranges::find(processes, static_cast<pid_t>(entry.processId)) != processes.end()) {
            listed.push_back(entry);
        }
    }
    return listed;
}

// Process folders as /proc shows them for a moment: gone already, zombies, exiting, cut short.
TEST(ProcessList, FoldersThatVanishedOrAreCutShortAreLeftOut) {
    const faults::ScratchFolder proc;
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
    const auto snapshot = ProcFsProcessList(proc.path()).TakeSnapshot();
    ASSERT_NE(snapshot, nullptr);
    std::vector<std::string> entries;
    for (platform::ProcessEntry entry; snapshot->Next(entry);) {
        entries.push_back(std::to_string(entry.processId) + " " + entry.exeName);
    }
    std::ranges::sort(entries);
    EXPECT_EQ(entries, (std::vector<std::string>{"100 zrl.exe", "106 a) (b)", "107 a-much-longer-sim.exe",
                                                 "108 a-much-longer-s", "110 zrlm66.exe"}));
    EXPECT_EQ(ProcFsProcessList(proc.PathOf("missing")).TakeSnapshot(), nullptr);
}

// Each build is read at its own address; as another user the simulator is out
// of reach, and one line on the hint stream says why, once.
TEST(SimulatorProcess, IsFoundUnderItsNameAndReadAtItsBuildsAddressByItsUserOnly) {
    const std::tuple<const char*, const char*, int, std::uint64_t> cases[] = {
        {"early", "ZRLXSC.EXE", 13, kEarlyPositionAddress}, {"late", "zrl.exe", 1, kLatePositionAddress}};
    for (const auto& [build, name, slot, address] : cases) {
        const testing::SimProcess sim(
            {"--length", "5000", "--start", "1234.5", "--speed", "0.001", "--hold", "--build", build, "--name", name});
        // The simulator link as the program runs it, up to the first sample.
        fakes::FakePlatform fake;
        fake.processes.passes = {Listed({sim.pid()})};
        ProcMemReader memory;
        ProcessDiscovery discovery(fake.processes, memory, fake.pump, fake.program);
        discovery.LoadExecutableNames();
        discovery.FindSimProcess(true);
        PositionReader position(memory);
        position.simProcess = discovery.simProcess;
        position.DetectBuild();
        position.SelectPositionAddress();
        position.SamplePosition();
        EXPECT_EQ(discovery.simProcessId, Id(sim.pid()));
        EXPECT_EQ(discovery.simExecutableIndex, slot);
        EXPECT_EQ(position.positionAddress, address);
        EXPECT_NEAR(position.currentPosition, 1234.5F, 0.01F);
        if (::geteuid() != 0) {
            continue;
        }
        const std::string hint = "kerbcall: reading the memory of process " + std::to_string(sim.pid()) +
                                 " is not permitted: it runs as user root and Kerbcall as user nobody; run Kerbcall "
                                 "as the simulator's user\n";
        EXPECT_EXIT(
            {
                std::ostringstream hints;
                ProcMemReader asNobody(hints);
                const bool refused = faults::DropRootPrivileges() && asNobody.OpenForReading(Id(sim.pid())) == 0 &&
                                     asNobody.OpenForReading(Id(sim.pid())) == 0;
                std::_Exit(refused && hints.str() == hint ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "");
    }
    // A name longer than the kernel keeps comes whole from the command line.
    const testing::SimProcess longer({"--name", "a-much-longer-simulator-name.exe", "--hold"});
    EXPECT_EQ(Listed({longer.pid()}).at(0).exeName, "a-much-longer-simulator-name.exe");
}

// What was opened for a simulator is closed once it has gone: many runs leave no more descriptors open.
TEST(SimulatorProcess, ASimulatorThatHasGoneLeavesNothingOpen) {
    const auto openFds = [] { return std::ranges::distance(std::filesystem::directory_iterator("/proc/self/fd")); };
    ProcMemReader memory;
    PositionReader position(memory);
    const auto before = openFds();
    for (int run = 0; run < 8; ++run) {
        std::optional<testing::SimProcess> sim(std::in_place, std::vector<std::string>{"--hold"});
        position.simProcess = memory.OpenForReading(Id(sim->pid()));
        sim.reset();
        EXPECT_TRUE(!position.SamplePosition() && position.SimulatorExited());
    }
    EXPECT_EQ(openFds(), before);
}

// Nothing is called while no simulator runs (the note at 5 holds the 0.0 of a
// failed read). The first one is killed but not reaped, as a parent may leave
// it: a zombie has ended too. The next is found under its name in capitals and
// called from a fresh start, and Stop still ends the program.
TEST(ProcessFaults, ASimulatorThatExitsIsLookedForAgainAndStopStillEndsTheProgram) {
    const std::vector<std::string> kSimulator = {"--name",  "ZRLCF2.EXE", "--build", "early", "--hold",
                                                 "--start", "1000",       "--speed", "0.001"};
    constexpr int kPassesEach = 20;
    const faults::ScratchFolder folder;
    folder.Write("Stage.ini", "start.mp3,1000\r\nnear zero.mp3,5\r\n");
    const testing::SimProcess first(kSimulator);
    std::optional<testing::SimProcess> second;
    std::ostringstream hints;
    ProcMemReader memory(hints);
    PosixFiles files;
    fakes::FakePlatform fake;
    fake.processes.passes = {Listed({first.pid()})};
    fake.program.folder = folder.path();
    platform::Services services{fake.processes, memory,           files,   fake.mci, fake.sleeper, fake.pump,
                                fake.program,   fake.userFolders, fake.udp};
    Globals globals;
    globals.noteFileName = "Stage.ini";
    fakes::FakeControl window, command2{app::kStartCaption}, label1, status;
    fakes::FakeChooserViews views;
    app::StartupForm form(globals, services, {window, command2, label1, status, status}, views);

    int passes = 0;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    fake.pump.onYield = [&](int) {
        if (std::chrono::steady_clock::now() > giveUp) {
            form.Command2_Click();  // the second simulator was never read
        }
        if (std::abs(form.position.currentPosition - 1000.0F) > 1.0F) {
            return;  // looking for a simulator, or reading one that has gone
        }
        if (form.discovery.simProcessId == Id(first.pid()) && ++passes == kPassesEach) {
            ::kill(first.pid(), SIGKILL);
            siginfo_t ended{};
            ::waitid(P_PID, Id(first.pid()), &ended, WEXITED | WNOWAIT);
            second.emplace(kSimulator);
            fake.processes.passes = {Listed({first.pid(), second->pid()})};
        } else if (second && form.discovery.simProcessId == Id(second->pid()) && ++passes == 2 * kPassesEach) {
            form.Command2_Click();
        }
    };
    EXPECT_THROW(form.Command2_Click(), fakes::ProgramEnded);

    // A second "start" can come only from the second simulator, read from a fresh start.
    std::vector<std::string> opened = fake.mci.commands;
    std::erase_if(opened, [](const std::string& command) { return !command.starts_with("open"); });
    EXPECT_EQ(opened,
              (std::vector<std::string>{form.sound.OpenCommand("activated.mp3"), form.sound.OpenCommand("start.mp3"),
                                        form.sound.OpenCommand("start.mp3"), form.sound.OpenCommand(kDeactivatedCue)}));
    EXPECT_EQ(fake.sleeper.sleeps, std::vector<std::uint32_t>{app::kDeactivationCueMilliseconds});
    EXPECT_EQ(fake.mci.commands.back(), "close songNumber1");
}

}  // namespace
}  // namespace kerbcall::posix
