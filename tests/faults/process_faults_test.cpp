// The simulator process as a user meets it: it exits in the middle of a run,
// another one is started later, and processes come and go while the process
// list is read. Real /proc, real memory reads, a real stand-in simulator.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "engine/trigger_loop.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/proc_mem_reader.h"
#include "platform/posix/proc_process_list.h"
#include "simlink/position_reader.h"
#include "simlink/process_discovery.h"
#include "sound/sound_player.h"
#include "tests/app/fake_controls.h"
#include "tests/fakes/fake_platform.h"
#include "tests/faults/scratch_folder.h"
#include "tests/posix/sim_process.h"

namespace kerbcall::faults {
namespace {

// One of the simulator's names, in capitals as a Windows program may show it.
constexpr char kSimulatorName[] = "ZRLCF2.EXE";

std::vector<std::string> SimulatorArguments(const std::string& start) {
    return {"--name", kSimulatorName, "--build", "early", "--hold", "--start", start, "--speed", "0.001"};
}

// The parent of a process, from /proc; 0 when it has gone.
pid_t ParentOf(std::uint32_t processId) {
    std::ifstream stat("/proc/" + std::to_string(processId) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t nameEnd = text.rfind(')');
    std::istringstream fields(nameEnd == std::string::npos ? "" : text.substr(nameEnd + 1));
    char state = 0;
    pid_t parent = 0;
    fields >> state >> parent;
    return parent;
}

// The real /proc listing, narrowed to this test's own children, so that a
// simulator another program on the machine runs is not found instead.
class OwnChildren : public platform::ProcessList {
public:
    std::unique_ptr<platform::ProcessSnapshot> TakeSnapshot() override {
        const std::unique_ptr<platform::ProcessSnapshot> all = processes_.TakeSnapshot();
        if (!all) {
            return nullptr;
        }
        std::vector<platform::ProcessEntry> children;
        for (platform::ProcessEntry entry; all->Next(entry);) {
            if (ParentOf(entry.processId) == ::getpid()) {
                children.push_back(entry);
            }
        }
        narrowed_.passes = {std::move(children)};
        return narrowed_.TakeSnapshot();
    }

private:
    posix::ProcFsProcessList processes_;
    fakes::FakeProcessList narrowed_;
};

// The simulator link as the program sets it up: discovery over /proc, then
// the build probe, reading through /proc/PID/mem.
struct SimulatorLink {
    OwnChildren processes;
    std::ostringstream hints;
    posix::ProcMemReader memory{hints};
    fakes::FakeMessagePump pump;
    fakes::FakeProgram program;
    ProcessDiscovery discovery{processes, memory, pump, program};
    PositionReader reader{memory};

    void Connect() {
        discovery.LoadExecutableNames();
        const bool stopRequested = false;
        discovery.FindSimProcess(stopRequested);
        reader.simProcess = discovery.simProcess;
        reader.DetectBuild();
        reader.SelectPositionAddress();
    }
};

std::vector<std::string> OpenCommands(const fakes::FakeMci& mci) {
    std::vector<std::string> opened;
    std::ranges::copy_if(mci.commands, std::back_inserter(opened),
                         [](const std::string& command) { return command.starts_with("open "); });
    return opened;
}

struct TriggerRun {
    SimulatorLink link;
    fakes::FakeMci mci;
    SoundPlayer player{mci, "/kerbcall"};
    Globals globals;
    std::vector<float> samples;  // the sample of each pass
    bool stopRequested = false;

    TriggerRun() {
        globals.paceNotes[0] = {"far.mp3", 90000};
        globals.paceNotes[1] = {"start.mp3", 1000};
        globals.paceNotes[2] = {"near zero.mp3", 5};
        globals.lastNoteIndex = 2;
    }

    // Runs the trigger loop; `onPass` plays the user's part after each pass,
    // counted from 1, and presses Stop by returning true.
    template <typename OnPass>
    TriggerLoopEnd Loop(OnPass onPass) {
        const int yieldsBefore = link.pump.yields;  // the discovery's
        link.pump.onYield = [&, yieldsBefore](int yield) {
            samples.push_back(link.reader.currentPosition);
            stopRequested = onPass(yield - yieldsBefore);
        };
        return RunTriggerLoop(globals, link.reader, player, link.pump, stopRequested);
    }

    std::vector<std::string> Opened() const { return OpenCommands(mci); }
};

constexpr int kPassesBeforeExit = 20;
constexpr int kPassesAfterExit = 200;

TEST(ProcessFaults, SimulatorThatExitsDuringTheRunEndsTheTriggerLoop) {
    posix::testing::SimProcess simulator(SimulatorArguments("1000"));
    TriggerRun run;
    run.link.Connect();
    ASSERT_EQ(run.link.discovery.simProcessId, static_cast<std::uint32_t>(simulator.pid()));
    ASSERT_TRUE(run.link.reader.earlyBuild);

    const TriggerLoopEnd end = run.Loop([&](int pass) {
        if (pass == kPassesBeforeExit) {
            simulator.Stop(SIGKILL);
        }
        return pass == kPassesBeforeExit + kPassesAfterExit;
    });

    EXPECT_EQ(end, TriggerLoopEnd::kSimulatorExited);
    ASSERT_EQ(run.samples.size(), static_cast<std::size_t>(kPassesBeforeExit));
    for (int pass = 0; pass < kPassesBeforeExit; ++pass) {
        EXPECT_NEAR(run.samples[static_cast<std::size_t>(pass)], 1000.0F, 1.0F) << "pass " << pass + 1;
    }
    // The note at 1000 while the simulator ran; the failed read that found
    // it gone plays nothing, not even the note at 5 that holds 0.0.
    EXPECT_EQ(run.Opened(), (std::vector<std::string>{run.player.OpenCommand("start.mp3")}));
}

// The whole run of the main window, with its controls faked and everything
// else real: the note file on disk, /proc, the memory reads.
struct MainWindowRun {
    ScratchFolder folder;
    OwnChildren processes;
    std::ostringstream hints;
    posix::ProcMemReader memory{hints};
    posix::PosixFiles files;
    fakes::FakeMci mci;
    fakes::FakeSleeper sleeper;
    fakes::FakeMessagePump pump;
    fakes::FakeProgram program;
    platform::Services services{processes, memory, files, mci, sleeper, pump, program};
    Globals globals;
    fakes::FakeWindow window;
    fakes::FakeButton command2{app::kStartCaption};
    fakes::FakeLabel label1;
    fakes::FakeChooserViews views;
    app::StartupForm form{globals, services, {window, command2, label1}, views};

    MainWindowRun() {
        folder.Write("Stage.ini", "start.mp3,1000\r\nnear zero.mp3,5\r\n");
        program.folder = folder.path();
        globals.noteFileName = "Stage.ini";
    }

    std::vector<std::string> Opened() const { return OpenCommands(mci); }
};

TEST(ProcessFaults, SimulatorStartedAfterTheFirstExitedIsFoundAndCalledAgain) {
    MainWindowRun run;
    std::optional<posix::testing::SimProcess> simulator(std::in_place, SimulatorArguments("1000"));
    const auto firstId = static_cast<std::uint32_t>(simulator->pid());
    int passesOnSecond = 0;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    run.pump.onYield = [&](int) {
        if (std::chrono::steady_clock::now() > giveUp) {
            run.form.Command2_Click();  // the second simulator was never read
        }
        if (std::abs(run.form.position.currentPosition - 1000.0F) > 1.0F) {
            return;  // looking for a simulator, or reading one that has gone
        }
        if (run.form.discovery.simProcessId == firstId) {
            simulator.reset();
            simulator.emplace(SimulatorArguments("1000"));
        } else if (++passesOnSecond == kPassesBeforeExit) {
            run.form.Command2_Click();
        }
    };
    EXPECT_THROW(run.form.Command2_Click(), fakes::ProgramEnded);

    EXPECT_EQ(run.form.discovery.simProcessId, static_cast<std::uint32_t>(simulator->pid()));
    EXPECT_EQ(run.Opened(),
              (std::vector<std::string>{
                  run.form.sound.OpenCommand("activated.mp3"), run.form.sound.OpenCommand("start.mp3"),
                  run.form.sound.OpenCommand("start.mp3"), run.form.sound.OpenCommand("deactivated.mp3")}));
}

TEST(ProcessFaults, StopEndsTheProgramAfterTheSimulatorExited) {
    MainWindowRun run;
    posix::testing::SimProcess simulator(SimulatorArguments("1000"));
    std::vector<float> samples;
    std::size_t commandsAtStop = 0;
    run.pump.onYield = [&](int) {
        if (run.form.position.positionAddress == 0) {
            return;  // still looking for the simulator
        }
        samples.push_back(run.form.position.currentPosition);
        if (samples.size() == kPassesBeforeExit) {
            simulator.Stop(SIGKILL);
        }
        if (samples.size() == kPassesBeforeExit + kPassesAfterExit) {
            commandsAtStop = run.mci.commands.size();
            run.form.Command2_Click();
        }
    };
    EXPECT_THROW(run.form.Command2_Click(), fakes::ProgramEnded);

    ASSERT_EQ(samples.size(), static_cast<std::size_t>(kPassesBeforeExit + kPassesAfterExit));
    EXPECT_NEAR(samples.front(), 1000.0F, 1.0F);
    EXPECT_TRUE(
        std::all_of(samples.begin() + kPassesBeforeExit, samples.end(), [](float sample) { return sample == 0.0F; }));
    EXPECT_EQ(run.program.ends, 1);
    EXPECT_EQ(run.sleeper.sleeps, std::vector<std::uint32_t>{app::kDeactivationCueMilliseconds});
    const std::vector<std::string> stop(run.mci.commands.begin() + static_cast<std::ptrdiff_t>(commandsAtStop),
                                        run.mci.commands.end());
    EXPECT_EQ(stop, (std::vector<std::string>{"close songNumber1", run.form.sound.OpenCommand("deactivated.mp3"),
                                              "setaudio songNumber1 left on", "setaudio songNumber1 right on",
                                              "play songNumber1", "close songNumber1"}));
}

// Children that start and end as fast as they can, while the test reads.
class ProcessChurn {
public:
    ProcessChurn()
        : worker_([this] {
              while (!stop_) {
                  const pid_t child = ::fork();
                  if (child == 0) {
                      ::_exit(0);
                  }
                  if (child > 0) {
                      ::waitpid(child, nullptr, 0);
                      ++children_;
                  }
              }
          }) {}
    ~ProcessChurn() {
        stop_ = true;
        worker_.join();
    }
    ProcessChurn(const ProcessChurn&) = delete;
    ProcessChurn& operator=(const ProcessChurn&) = delete;

    int children() const { return children_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<int> children_{0};
    std::thread worker_;
};

TEST(ProcessFaults, ProcessesVanishingDuringTheScanDoNotHideTheSimulator) {
    posix::testing::SimProcess simulator(SimulatorArguments("1000"));
    ProcessChurn churn;
    posix::ProcFsProcessList processes;
    constexpr int kSnapshots = 200;
    for (int i = 0; i < kSnapshots; ++i) {
        const auto snapshot = processes.TakeSnapshot();
        ASSERT_NE(snapshot, nullptr);
        int found = 0;
        platform::ProcessEntry entry;
        while (snapshot->Next(entry)) {
            EXPECT_NE(entry.processId, 0U);
            if (entry.processId == static_cast<std::uint32_t>(simulator.pid())) {
                EXPECT_EQ(entry.exeName, kSimulatorName);
                ++found;
            }
        }
        EXPECT_EQ(found, 1) << "snapshot " << i;
    }
    SimulatorLink link;
    link.Connect();
    EXPECT_EQ(link.discovery.simProcessId, static_cast<std::uint32_t>(simulator.pid()));
    EXPECT_GT(churn.children(), 0);
}

// A process folder as /proc shows it for a moment: some have lost their
// files already, some are zombies, some were cut short.
TEST(ProcessFaults, ProcessFoldersThatVanishedOrAreCutShortAreLeftOut) {
    ScratchFolder proc;
    proc.Write("100/stat", "100 (zrl.exe) S 1 100 100 0 -1");
    proc.Write("101/gone", "");                                   // its stat has vanished
    proc.Write("102/stat", "102 (zrlc55.exe) Z 1 102 102 0 -1");  // a zombie
    proc.Write("103/stat", "103 (zrlc65.exe");                    // cut short
    proc.Write("104/stat", "");
    proc.Write("105/stat", "105 (zrlc66.exe_with_a_long_name) S 1");  // no cmdline left
    proc.Write("106/stat", "106 (a) (b)) R 1 106");
    proc.Write("self/stat", "7 (zrl.exe) S 1");
    proc.Write("0/stat", "0 (zrl.exe) S 1");
    proc.Write("99999999999/stat", "1 (zrl.exe) S 1");
    posix::ProcFsProcessList processes(proc.path());
    const auto snapshot = processes.TakeSnapshot();
    ASSERT_NE(snapshot, nullptr);
    std::vector<std::pair<std::uint32_t, std::string>> entries;
    platform::ProcessEntry entry;
    while (snapshot->Next(entry)) {
        entries.emplace_back(entry.processId, entry.exeName);
    }
    std::ranges::sort(entries);
    EXPECT_EQ(entries, (std::vector<std::pair<std::uint32_t, std::string>>{{100, "zrl.exe"}, {106, "a) (b)"}}));
}

TEST(ProcessFaults, ProcessListThatCannotBeReadGivesNoSnapshot) {
    posix::ProcFsProcessList processes("/nonexistent/proc");
    EXPECT_EQ(processes.TakeSnapshot(), nullptr);
}

}  // namespace
}  // namespace kerbcall::faults
