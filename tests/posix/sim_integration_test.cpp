// The simulator link over the real Linux services against real kerbcall-sim
// processes, and kerbcall-cli probe against them.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "platform/posix/proc_mem_reader.h"
#include "simlink/position_reader.h"
#include "simlink/process_discovery.h"
#include "tests/fakes/fake_platform.h"
#include "tests/posix/sim_process.h"

namespace kerbcall::posix {
namespace {

using testing::SimProcess;

std::uint32_t Id(const SimProcess& sim) { return static_cast<std::uint32_t>(sim.pid()); }

// The simulator link as the program runs it, up to the first sample.
struct Link {
    explicit Link(std::set<std::uint32_t> started)
        : processes(std::move(started)), discovery(processes, memory, pump, program), position(memory) {
        discovery.LoadExecutableNames();
        discovery.FindSimProcess(true);
        position.simProcess = discovery.simProcess;
        position.DetectBuild();
        position.SelectPositionAddress();
    }

    float Sample() {
        position.SamplePosition();
        return position.currentPosition;
    }

    testing::OnlyStartedProcesses processes;
    ProcMemReader memory;
    fakes::FakeMessagePump pump;
    fakes::FakeProgram program;
    ProcessDiscovery discovery;
    PositionReader position;
};

TEST(SimulatorProcess, IsFoundUnderItsNameAndEachBuildIsReadAtItsOwnAddress) {
    const struct {
        std::vector<std::string> args;
        int slot;
        std::uint64_t address;
    } cases[] = {
        {{"--build", "early", "--name", "ZRLXSC.EXE"}, 13, kEarlyPositionAddress},
        {{"--build", "late"}, 1, kLatePositionAddress},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--length", "5000", "--start", "1234.5", "--speed", "0.001", "--hold"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        SimProcess sim(args);
        Link link({Id(sim)});
        EXPECT_EQ(link.discovery.simProcessId, Id(sim));
        EXPECT_EQ(link.discovery.simExecutableIndex, c.slot);
        EXPECT_EQ(link.position.positionAddress, c.address);
        EXPECT_NEAR(link.Sample(), 1234.5F, 0.01F);
    }
    // A name longer than the kernel keeps is still listed whole.
    SimProcess sim({"--name", "a-much-longer-simulator-name.exe", "--hold"});
    ProcFsProcessList list;
    const auto snapshot = list.TakeSnapshot();
    std::string name;
    for (platform::ProcessEntry entry; snapshot->Next(entry);) {
        name = entry.processId == Id(sim) ? entry.exeName : name;
    }
    EXPECT_EQ(name, "a-much-longer-simulator-name.exe");
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
    for (ssize_t got = 0; (got = ::read(pipeEnds[0], block, sizeof block)) > 0;) {
        output.append(block, static_cast<std::size_t>(got));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(ProbeCommand, ReportsTheRunningSimulatorOrWhyItCannotBeRead) {
    SimProcess sim({"--build", "early", "--start", "42", "--speed", "0.001", "--hold"});
    const std::string found =
        "{\"found\":true,\"name\":\"zrl.exe\",\"pid\":" + std::to_string(sim.pid()) + ",\"index\":1,";
    const auto [output, exitCode] = RunProbe();
    if (output.find(found) == std::string::npos) {
        GTEST_SKIP() << "another simulator runs on this machine: " << output;
    }
    EXPECT_EQ(exitCode, 0);
    const std::string read = "\"readable\":true,\"probeByte\":184,\"earlyBuild\":true,\"positionAddress\":6366992,";
    EXPECT_EQ(output.rfind(found + read + "\"samples\":[42", 0), 0U) << output;
    if (::geteuid() != 0) {
        return;
    }
    constexpr uid_t kNobody = 65534;
    const auto [refused, refusedCode] = RunProbe(kNobody);
    EXPECT_EQ(refusedCode, 1);
    EXPECT_EQ(refused, found + "\"readable\":false,\"reason\":\"reading the memory of process " +
                           std::to_string(sim.pid()) +
                           " is not permitted: it runs as user root and Kerbcall as user nobody; run Kerbcall as the "
                           "simulator's user\"}\n");
}

}  // namespace
}  // namespace kerbcall::posix
