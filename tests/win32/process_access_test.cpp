// The Toolhelp process list and the memory reads against a running stand-in
// simulator.
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstring>
#include <ostream>

#include "platform/win32/win32_platform.h"
#include "simlink/position_reader.h"
#include "simlink/process_discovery.h"
#include "tests/win32/running_simulator.h"

namespace kerbcall::win32_tests {
namespace {

using platform::win32::Win32Platform;

bool ListsProcess(platform::ProcessList& processes, std::uint32_t processId, std::string& name) {
    auto snapshot = processes.TakeSnapshot();
    platform::ProcessEntry entry;
    while (snapshot && snapshot->Next(entry)) {
        if (entry.processId == processId) {
            name = entry.exeName;
            return true;
        }
    }
    return false;
}

TEST(ToolhelpProcessListTest, ListsTheSimulatorByItsBareExecutableName) {
    Win32Platform windows;
    RunningSimulator simulator("--hold 0");
    std::string name;
    ASSERT_TRUE(ListsProcess(windows.processes, simulator.ProcessId(), name));
    EXPECT_EQ(name, "zrl.exe");
}

TEST(ToolhelpProcessListTest, ASnapshotTakenAfterTheSimulatorEndedNoLongerListsIt) {
    Win32Platform windows;
    RunningSimulator simulator("--hold 0");
    const std::uint32_t processId = simulator.ProcessId();
    simulator.Stop();
    std::string name;
    EXPECT_FALSE(ListsProcess(windows.processes, processId, name));
}

TEST(ProcessDiscoveryOnWindowsTest, FindsAndOpensTheRunningSimulator) {
    Win32Platform windows;
    RunningSimulator simulator("--early --hold 42");
    ProcessDiscovery discovery(windows.processes, windows.memory, windows.pump, windows.program);
    discovery.LoadExecutableNames();
    discovery.FindSimProcess(false);
    EXPECT_EQ(discovery.simExecutableIndex, 1);
    EXPECT_EQ(discovery.simProcessId, simulator.ProcessId());
    EXPECT_NE(discovery.simProcess, platform::ProcessHandle{0});
}

struct BuildCase {
    const char* arguments;
    bool earlyBuild;
    std::uint64_t positionAddress;
    float distance;
};

void PrintTo(const BuildCase& build, std::ostream* out) { *out << build.arguments; }

class PositionReaderOnWindowsTest : public testing::TestWithParam<BuildCase> {};

TEST_P(PositionReaderOnWindowsTest, ProbesTheBuildAndReadsTheHeldDistance) {
    const BuildCase& build = GetParam();
    Win32Platform windows;
    RunningSimulator simulator(build.arguments);
    PositionReader reader(windows.memory);
    reader.simProcess = windows.memory.OpenForReading(simulator.ProcessId());
    reader.DetectBuild();
    reader.SelectPositionAddress();
    reader.SamplePosition();
    EXPECT_EQ(reader.earlyBuild, build.earlyBuild);
    EXPECT_EQ(reader.positionAddress, build.positionAddress);
    EXPECT_EQ(reader.currentPosition, build.distance);
}

INSTANTIATE_TEST_SUITE_P(Builds, PositionReaderOnWindowsTest,
                         testing::Values(BuildCase{"--early --hold 123.5", true, kEarlyPositionAddress, 123.5F},
                                         BuildCase{"--hold -1", false, kLatePositionAddress, -1.0F},
                                         BuildCase{"--hold 4999.25", false, kLatePositionAddress, 4999.25F}));

TEST(PositionReaderOnWindowsTest, TheDistanceMovesWhileTheSimulatorDrives) {
    Win32Platform windows;
    RunningSimulator simulator("--speed 1000 --length 100000");
    PositionReader reader(windows.memory);
    reader.simProcess = windows.memory.OpenForReading(simulator.ProcessId());
    reader.SelectPositionAddress();
    reader.SamplePosition();
    const float first = reader.currentPosition;
    Sleep(200);
    reader.SamplePosition();
    EXPECT_GT(reader.currentPosition, first);
}

std::array<std::byte, 4> ReadFourBytes(platform::ProcessMemory& memory, platform::ProcessHandle process,
                                       std::uint64_t address) {
    std::array<std::byte, 4> buffer{};
    memory.Read(process, address, buffer);
    return buffer;
}

TEST(Win32ProcessMemoryTest, FailedReadsLeaveTheBufferZero) {
    Win32Platform windows;
    RunningSimulator simulator("--early --hold 77");
    const platform::ProcessHandle process = windows.memory.OpenForReading(simulator.ProcessId());
    ASSERT_NE(process, platform::ProcessHandle{0});
    const std::array<std::byte, 4> zeros{};
    EXPECT_NE(ReadFourBytes(windows.memory, process, kEarlyPositionAddress), zeros);
    // No handle, an address the simulator has not mapped, one beyond 4 GiB.
    EXPECT_EQ(ReadFourBytes(windows.memory, 0, kEarlyPositionAddress), zeros);
    EXPECT_EQ(ReadFourBytes(windows.memory, process, 0x10), zeros);
    EXPECT_EQ(ReadFourBytes(windows.memory, process, 0x1'0000'0000ULL), zeros);
    simulator.Stop();
    EXPECT_EQ(ReadFourBytes(windows.memory, process, kEarlyPositionAddress), zeros);
}

TEST(Win32ProcessMemoryTest, ARefusedOpenGivesNoHandleAndZeroSamples) {
    Win32Platform windows;
    // Process ids are multiples of 4: no process has this one.
    const platform::ProcessHandle process = windows.memory.OpenForReading(0x7FFFFFF1);
    EXPECT_EQ(process, platform::ProcessHandle{0});
    PositionReader reader(windows.memory);
    reader.simProcess = process;
    reader.DetectBuild();
    reader.SelectPositionAddress();
    reader.SamplePosition();
    EXPECT_FALSE(reader.earlyBuild);
    EXPECT_EQ(reader.positionAddress, kLatePositionAddress);
    EXPECT_EQ(reader.currentPosition, 0.0F);
}

}  // namespace
}  // namespace kerbcall::win32_tests
