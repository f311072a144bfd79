// The Toolhelp process list and the memory reads against a running stand-in
// simulator.
#include <gtest/gtest.h>

#include <array>
#include <cstddef>

#include "platform/win32/win32_platform.h"
#include "simlink/position_reader.h"
#include "simlink/process_discovery.h"
#include "tests/win32/running_simulator.h"

namespace kerbcall::win32_tests {
namespace {

using platform::win32::Win32Platform;

TEST(Win32ProcessAccessTest, FindsTheSimulatorAndReadsEachBuildsDistance) {
    const struct {
        const char* arguments;
        std::uint64_t positionAddress;
        float distance;
    } cases[] = {{"--early --hold 123.5", kEarlyPositionAddress, 123.5F}, {"--hold -1", kLatePositionAddress, -1.0F}};
    for (const auto& c : cases) {
        Win32Platform windows;
        RunningSimulator simulator(c.arguments);
        ProcessDiscovery discovery(windows.processes, windows.memory, windows.pump, windows.program);
        discovery.LoadExecutableNames();
        discovery.FindSimProcess(false);
        EXPECT_EQ(discovery.simExecutableIndex, 1);
        EXPECT_EQ(discovery.simProcessId, simulator.ProcessId());
        PositionReader reader(windows.memory);
        reader.simProcess = discovery.simProcess;
        reader.DetectBuild();
        reader.SelectPositionAddress();
        reader.SamplePosition();
        EXPECT_EQ(reader.positionAddress, c.positionAddress);
        EXPECT_EQ(reader.currentPosition, c.distance);
    }
}

std::array<std::byte, 4> ReadFourBytes(platform::ProcessMemory& memory, platform::ProcessHandle process,
                                       std::uint64_t address) {
    std::array<std::byte, 4> buffer{};
    memory.Read(process, address, buffer);
    return buffer;
}

TEST(Win32ProcessAccessTest, FailedReadsLeaveZerosAndAnEndedSimulatorIsNoLongerListed) {
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
    const std::uint32_t processId = simulator.ProcessId();
    simulator.Stop();
    EXPECT_EQ(ReadFourBytes(windows.memory, process, kEarlyPositionAddress), zeros);
    auto snapshot = windows.processes.TakeSnapshot();
    ASSERT_NE(snapshot, nullptr);
    for (platform::ProcessEntry entry; snapshot->Next(entry);) {
        EXPECT_NE(entry.processId, processId);
    }
    // Process ids are multiples of 4: no process has this one.
    EXPECT_EQ(windows.memory.OpenForReading(0x7FFFFFF1), platform::ProcessHandle{0});
}

}  // namespace
}  // namespace kerbcall::win32_tests
