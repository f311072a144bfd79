// The simulator link over the real Linux services against real kerbcall-sim
// processes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <unistd.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <thread>

#include "platform/posix/proc_mem_reader.h"
#include "platform/posix/proc_process_list.h"
#include "simlink/position_reader.h"
#include "simlink/process_discovery.h"
#include "tests/fakes/fake_platform.h"
#include "tests/posix/sim_process.h"

namespace kerbcall::posix {
namespace {

using testing::SimProcess;
using namespace std::chrono_literals;

// The real process list, narrowed to the processes a test started, so that
// simulators of other programs on the machine do not take part.
class OnlyStartedProcesses : public platform::ProcessList {
public:
    explicit OnlyStartedProcesses(std::set<std::uint32_t> processIds) : processIds_(std::move(processIds)) {}

    std::unique_ptr<platform::ProcessSnapshot> TakeSnapshot() override {
        return std::make_unique<Narrowed>(real_.TakeSnapshot(), processIds_);
    }

private:
    class Narrowed : public platform::ProcessSnapshot {
    public:
        Narrowed(std::unique_ptr<platform::ProcessSnapshot> all, const std::set<std::uint32_t>& keep)
            : all_(std::move(all)), keep_(keep) {}
        bool Next(platform::ProcessEntry& entry) override {
            while (all_->Next(entry)) {
                if (keep_.contains(entry.processId)) {
                    return true;
                }
            }
            return false;
        }

    private:
        std::unique_ptr<platform::ProcessSnapshot> all_;
        const std::set<std::uint32_t>& keep_;
    };

    ProcFsProcessList real_;
    std::set<std::uint32_t> processIds_;
};

std::uint32_t Id(const SimProcess& sim) { return static_cast<std::uint32_t>(sim.pid()); }

// The simulator link as the program runs it, up to the first sample.
struct Link {
    explicit Link(std::set<std::uint32_t> started)
        : processes(std::move(started)), discovery(processes, memory, pump, program), position(memory) {
        discovery.LoadExecutableNames();
        const bool oneScan = true;
        discovery.FindSimProcess(oneScan);
        position.simProcess = discovery.simProcess;
        position.DetectBuild();
        position.SelectPositionAddress();
    }

    float Sample() {
        position.SamplePosition();
        return position.currentPosition;
    }

    OnlyStartedProcesses processes;
    ProcMemReader memory;
    fakes::FakeMessagePump pump;
    fakes::FakeProgram program;
    ProcessDiscovery discovery;
    PositionReader position;
};

std::string NameInSnapshot(std::uint32_t processId) {
    ProcFsProcessList list;
    const auto snapshot = list.TakeSnapshot();
    platform::ProcessEntry entry;
    while (snapshot->Next(entry)) {
        if (entry.processId == processId) {
            return entry.exeName;
        }
    }
    return "(not listed)";
}

std::string WriteReplay(const std::string& name, const std::string& text) {
    std::string path = ::testing::TempDir() + name;
    std::ofstream(path) << text;
    return path;
}

TEST(SimulatorProcess, ShowsUpUnderTheSimulatorsNameInTheProcessList) {
    const struct { std::string name; } cases[] = {{"zrl.exe"}, {"ZRLXSC.EXE"}, {"a-much-longer-simulator-name.exe"}};
    for (const auto& c : cases) {
        SimProcess sim({"--name", c.name, "--hold"});
        EXPECT_EQ(NameInSnapshot(Id(sim)), c.name);
    }
}

TEST(SimulatorProcess, IsFoundByTheScanWithTheSlotOfItsName) {
    SimProcess sim({"--name", "ZRLXSC.EXE", "--hold"});
    Link link({Id(sim)});
    EXPECT_EQ(link.discovery.simProcessId, Id(sim));
    EXPECT_EQ(link.discovery.simExecutableIndex, 13);
    EXPECT_EQ(link.discovery.simProcess, Id(sim));
}

TEST(SimulatorProcess, EachBuildIsReadAtItsOwnAddress) {
    const struct {
        std::string build;
        bool early;
        std::uint64_t address;
    } cases[] = {{"early", true, kEarlyPositionAddress}, {"late", false, kLatePositionAddress}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.build);
        SimProcess sim({"--build", c.build, "--length", "5000", "--start", "1234.5", "--speed", "0.001", "--hold"});
        Link link({Id(sim)});
        EXPECT_EQ(link.position.earlyBuild, c.early);
        EXPECT_EQ(link.position.positionAddress, c.address);
        EXPECT_NEAR(link.Sample(), 1234.5F, 0.01F);
    }
}

TEST(SimulatorProcess, SamplesFollowTheSimulator) {
    const std::string replay = WriteReplay("follow.csv", "0,100\n0.5,250.5\n1.0,-7\n");
    SimProcess sim({"--replay", replay, "--hold"});
    Link link({Id(sim)});
    EXPECT_FLOAT_EQ(link.Sample(), 100.0F);
    std::this_thread::sleep_for(750ms);
    EXPECT_FLOAT_EQ(link.Sample(), 250.5F);
    std::this_thread::sleep_for(550ms);
    EXPECT_FLOAT_EQ(link.Sample(), -7.0F);
}

TEST(SimulatorProcess, DrivenLapsAdvanceAtTheGivenSpeed) {
    SimProcess sim({"--length", "100000", "--speed", "1000", "--hold"});
    Link link({Id(sim)});
    const float first = link.Sample();
    std::this_thread::sleep_for(500ms);
    const float second = link.Sample();
    EXPECT_GT(second - first, 400.0F);
    EXPECT_LT(second - first, 1000.0F);
}

TEST(SimulatorProcess, AKilledSimulatorGivesSamplesOfZero) {
    auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--start", "500", "--speed", "0.001", "--hold"});
    Link link({Id(*sim)});
    EXPECT_NEAR(link.Sample(), 500.0F, 0.01F);
    sim->Stop(SIGKILL);
    for (int pass = 0; pass < 3; ++pass) {
        EXPECT_EQ(link.Sample(), 0.0F);
    }
    EXPECT_TRUE(link.program.messages.empty());
}

TEST(SimulatorProcess, ASecondSimulatorDoesNotConfuseTheScan) {
    SimProcess first({"--build", "early", "--start", "111", "--speed", "0.001", "--hold"});
    SimProcess second({"--name", "zrlc55.exe", "--build", "late", "--start", "222", "--speed", "0.001", "--hold"});
    Link link({Id(first), Id(second)});
    // /proc lists processes by id, so the one started first comes first.
    EXPECT_EQ(link.discovery.simProcessId, Id(first));
    EXPECT_EQ(link.discovery.simExecutableIndex, 1);
    EXPECT_TRUE(link.position.earlyBuild);
    EXPECT_NEAR(link.Sample(), 111.0F, 0.01F);
}

TEST(SimulatorProcess, EndsCleanlyOnInterruptAndTerminate) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SimProcess sim({"--hold"});
        const int status = sim.Stop(signal);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_NE(sim.RemainingOutput().find("stopped"), std::string::npos);
    }
}

TEST(SimulatorProcess, EndsByItselfAfterItsLaps) {
    SimProcess sim({"--length", "10", "--speed", "100", "--laps", "2"});
    std::this_thread::sleep_for(600ms);
    const std::string output = sim.RemainingOutput();
    EXPECT_NE(output.find("lap 2/2 distance 10"), std::string::npos) << output;
    EXPECT_NE(output.find("finished"), std::string::npos) << output;
}

// kerbcall-cli probe --json, its output and exit status, run as the given
// user (this test's own when 0).
std::pair<std::string, int> RunProbe(uid_t user = 0) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        return {"pipe failed", -1};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        if (user != 0 && (::setgid(user) != 0 || ::setuid(user) != 0)) {
            ::_exit(126);
        }
        ::execl(KERBCALL_CLI_PATH, KERBCALL_CLI_PATH, "probe", "--json", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    std::string output;
    char block[512];
    ssize_t got = 0;
    while ((got = ::read(pipeEnds[0], block, sizeof block)) > 0) {
        output.append(block, static_cast<std::size_t>(got));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

bool FoundOther(const std::string& output, const SimProcess& sim) {
    return output.find(",\"pid\":" + std::to_string(sim.pid()) + ",") == std::string::npos;
}

TEST(ProbeCommand, ReportsTheRunningSimulator) {
    SimProcess sim({"--build", "early", "--start", "42", "--speed", "0.001", "--hold"});
    const auto [output, exitCode] = RunProbe();
    if (FoundOther(output, sim)) {
        GTEST_SKIP() << "another simulator runs on this machine: " << output;
    }
    EXPECT_EQ(exitCode, 0);
    const std::string head = "{\"found\":true,\"name\":\"zrl.exe\",\"pid\":" + std::to_string(sim.pid()) +
                             ",\"index\":1,\"readable\":true,\"probeByte\":184,\"earlyBuild\":true,"
                             "\"positionAddress\":6366992,\"samples\":[42";
    EXPECT_EQ(output.substr(0, head.size()), head) << output;
}

TEST(ProbeCommand, SaysWhyTheSimulatorCannotBeRead) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to run the probe as another user";
    }
    SimProcess sim({"--hold"});
    constexpr uid_t kNobody = 65534;
    const auto [output, exitCode] = RunProbe(kNobody);
    if (FoundOther(output, sim)) {
        GTEST_SKIP() << "another simulator runs on this machine: " << output;
    }
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(output, "{\"found\":true,\"name\":\"zrl.exe\",\"pid\":" + std::to_string(sim.pid()) +
                          ",\"index\":1,\"readable\":false,\"reason\":\"reading the memory of process " +
                          std::to_string(sim.pid()) +
                          " is not permitted: it runs as user root and Kerbcall as user nobody; run Kerbcall as the "
                          "simulator's user\"}\n");
}

TEST(ProbeCommand, SaysWhenNoSimulatorRuns) {
    const auto [output, exitCode] = RunProbe();
    if (output.find("\"found\":true") != std::string::npos) {
        GTEST_SKIP() << "a simulator runs on this machine: " << output;
    }
    EXPECT_EQ(exitCode, 1);
    EXPECT_NE(output.find("{\"found\":false,\"reason\":\"no process named zrl.exe, zrlc55.exe"), std::string::npos)
        << output;
}

}  // namespace
}  // namespace kerbcall::posix
