#include <gtest/gtest.h>

#include <bit>
#include <vector>

#include "simlink/position_reader.h"
#include "simlink/process_discovery.h"
#include "tests/fakes/fake_platform.h"

namespace kerbcall {
namespace {

using Entries = std::vector<platform::ProcessEntry>;

TEST(ProcessDiscoveryTest, FindsTheFirstSimulatorByNameInFreshSnapshots) {
    const Entries idle = {{1, "init"}, {2, "bash"}};
    const struct {
        std::vector<Entries> passes;
        std::uint32_t processId;
        int slot;
        int yields;  // one after each entry passed over and one after each pass
    } cases[] = {
        {{{{4, "explorer.exe"}, {9, "zrl.exe"}}}, 9, 1, 1},
        {{{{11, "ZRLXSC.EXE"}}}, 11, 13, 0},
        {{{{20, "zrlm71.exe"}, {10, "zrlXSC.exe"}}}, 20, 12, 0},
        {{{{3, "zrl.exe.bak"}, {4, "myzrl.exe"}, {5, "C:\\zrl.exe"}, {6, ""}}, {{7, "zrl.exe"}}}, 7, 1, 5},
        {{idle, idle, idle, {{1, "init"}, {2, "bash"}, {77, "zrl.exe"}}}, 77, 1, 3 * 3 + 2},
    };
    for (const auto& c : cases) {
        fakes::FakePlatform platform;
        platform.processes.passes = c.passes;
        platform.memory.openable[c.processId] = 0x1234;
        ProcessDiscovery discovery(platform.processes, platform.memory, platform.pump, platform.program);
        discovery.LoadExecutableNames();
        discovery.FindSimProcess(false);
        EXPECT_EQ(discovery.simProcessId, c.processId);
        EXPECT_EQ(discovery.simExecutableIndex, c.slot) << c.processId;
        EXPECT_EQ(discovery.simProcess, 0x1234U) << c.processId;
        EXPECT_EQ(platform.processes.snapshotsTaken, static_cast<int>(c.passes.size())) << c.processId;
        EXPECT_EQ(platform.pump.yields, c.yields) << c.processId;
    }
}

TEST(ProcessDiscoveryTest, AFailedSnapshotEndsTheProgramAndAStopEndsTheScan) {
    fakes::FakePlatform platform;
    ProcessDiscovery discovery(platform.processes, platform.memory, platform.pump, platform.program);
    discovery.LoadExecutableNames();
    platform.processes.failingPass = 2;
    EXPECT_THROW(discovery.FindSimProcess(false), fakes::ProgramEnded);
    EXPECT_EQ(platform.processes.snapshotsTaken, 3);
    platform.processes.snapshotsTaken = 0;
    bool stopRequested = false;
    platform.pump.onYield = [&](int) { stopRequested = true; };
    discovery.FindSimProcess(stopRequested);
    EXPECT_EQ(platform.processes.snapshotsTaken, 1);
}

TEST(PositionReaderTest, TheProbeByteChoosesTheAddressAndSamplesAreTheFourBytesThere) {
    const struct {
        platform::ProcessHandle process;
        std::vector<std::uint8_t> probe;
        std::uint64_t address;
    } cases[] = {{7, {0xB8, 0, 0, 0}, kEarlyPositionAddress},
                 {7, {0x00, 0xB8, 0xB8, 0xB8}, kLatePositionAddress},
                 {7, {0xB9}, kLatePositionAddress},
                 {7, {}, kLatePositionAddress},
                 {0, {0xB8}, kLatePositionAddress}};
    for (const auto& c : cases) {
        fakes::FakeProcessMemory memory;
        memory.Store(kBuildProbeAddress, c.probe);
        memory.Store(c.address, {0x01, 0x00, 0xC0, 0x7F});  // a NaN, payload and all
        PositionReader reader(memory);
        reader.simProcess = c.process;
        reader.currentPosition = 1.0F;  // a failed read gives 0, not the last sample
        reader.DetectBuild();
        reader.SelectPositionAddress();
        EXPECT_EQ(memory.reads, std::vector<std::uint64_t>{kBuildProbeAddress});
        EXPECT_EQ(reader.positionAddress, c.address);
        reader.SamplePosition();
        EXPECT_EQ(std::bit_cast<std::uint32_t>(reader.currentPosition), c.process == 0 ? 0U : 0x7FC00001U);
    }
}

}  // namespace
}  // namespace kerbcall
