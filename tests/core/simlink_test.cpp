#include <gtest/gtest.h>

#include <bit>
#include <string>
#include <vector>

#include "simlink/position_reader.h"
#include "simlink/process_discovery.h"
#include "tests/fakes/fake_platform.h"

namespace kerbcall {
namespace {

using Entries = std::vector<platform::ProcessEntry>;

struct Scan {
    fakes::FakePlatform platform;
    ProcessDiscovery discovery{platform.processes, platform.memory, platform.pump, platform.program};

    explicit Scan(std::vector<Entries> passes) {
        platform.processes.passes = std::move(passes);
        discovery.LoadExecutableNames();
    }
};

TEST(ProcessDiscoveryTest, MatchRules) {
    const struct {
        Entries entries;
        std::uint32_t processId;  // 0: nothing matches in one pass
        int slot;
    } cases[] = {
        {{{4, "explorer.exe"}, {9, "zrl.exe"}}, 9, 1},
        {{{11, "ZRLC67.EXE"}}, 11, 6},
        {{{12, "ZRLXSC.EXE"}}, 12, 13},
        {{{3, "zrl.exe.bak"}, {4, "myzrl.exe"}, {5, "C:\\zrl.exe"}, {6, ""}}, 0, 0},
        {{{20, "zrlm71.exe"}, {10, "zrl.exe"}}, 20, 12},
    };
    for (const auto& c : cases) {
        Scan scan({c.entries});
        scan.discovery.FindSimProcess(true);
        EXPECT_EQ(scan.discovery.simProcessId, c.processId) << c.processId;
        EXPECT_EQ(scan.discovery.simExecutableIndex, c.slot) << c.processId;
        EXPECT_EQ(scan.platform.processes.snapshotsOpen, 0);
    }
}

TEST(ProcessDiscoveryTest, ScansFreshSnapshotsUntilTheSimulatorStartsAndYieldsOnTheWay) {
    const Entries before = {{1, "init"}, {2, "bash"}};
    Scan scan({before, before, before, {{1, "init"}, {2, "bash"}, {77, "zrl.exe"}}});
    scan.platform.memory.openable[77] = 0x1234;
    scan.discovery.FindSimProcess(false);
    EXPECT_EQ(scan.platform.processes.snapshotsTaken, 4);
    EXPECT_EQ(scan.platform.processes.snapshotsOpen, 0);
    EXPECT_EQ(scan.discovery.simProcess, 0x1234U);
    // One yield after each entry passed over and one after each full pass.
    EXPECT_EQ(scan.platform.pump.yields, 3 * (2 + 1) + 2);
}

TEST(ProcessDiscoveryTest, AFailedSnapshotEndsTheProgramAndAStopEndsTheScan) {
    Scan failing({{{1, "init"}}});
    failing.platform.processes.failingPasses = {2};
    EXPECT_THROW(failing.discovery.FindSimProcess(false), fakes::ProgramEnded);
    EXPECT_EQ(failing.platform.processes.snapshotsTaken, 3);
    EXPECT_TRUE(failing.platform.program.messages.empty());

    Scan stopped({{{1, "init"}, {2, "bash"}}});
    bool stopRequested = false;
    stopped.platform.pump.onYield = [&](int) { stopRequested = true; };
    stopped.discovery.FindSimProcess(stopRequested);
    EXPECT_EQ(stopped.platform.processes.snapshotsTaken, 1);
}

TEST(PositionReaderTest, TheProbeByteChoosesTheDistanceAddress) {
    const struct {
        platform::ProcessHandle process;
        std::vector<std::uint8_t> probe;
        std::uint64_t address;
    } cases[] = {
        {7, {0xB8, 0, 0, 0}, 0x612710}, {7, {0x00, 0xB8, 0xB8, 0xB8}, 0x612718},
        {7, {0xB9}, 0x612718},          {7, {}, 0x612718},
        {0, {0xB8}, 0x612718},
    };
    for (const auto& c : cases) {
        fakes::FakeProcessMemory memory;
        memory.Store(kBuildProbeAddress, c.probe);
        PositionReader reader(memory);
        reader.simProcess = c.process;
        reader.DetectBuild();
        reader.SelectPositionAddress();
        EXPECT_EQ(reader.earlyBuild, c.address == 0x612710);
        EXPECT_EQ(reader.positionAddress, c.address);
        ASSERT_EQ(memory.reads.size(), 1U);
        EXPECT_EQ(memory.reads[0].address, kBuildProbeAddress);
    }
}

TEST(PositionReaderTest, SamplesAreTheFourBytesAsAFloatAndMissingBytesAreZero) {
    fakes::FakeProcessMemory memory;
    PositionReader reader(memory);
    reader.simProcess = 7;
    reader.positionAddress = kLatePositionAddress;
    const std::vector<std::pair<std::vector<std::uint8_t>, std::uint32_t>> cases = {
        {{0x00, 0x00, 0xC8, 0x42}, 0x42C80000U},  // 100.0
        {{0x01, 0x00, 0xC0, 0x7F}, 0x7FC00001U},  // a NaN, payload and all
        {{0x00, 0x00}, 0U},
    };
    for (const auto& [bytes, expected] : cases) {
        memory.bytes.clear();
        memory.Store(kLatePositionAddress, bytes);
        reader.SamplePosition();
        EXPECT_EQ(std::bit_cast<std::uint32_t>(reader.currentPosition), expected);
    }
    reader.simProcess = 0;
    memory.Store(kLatePositionAddress, {0x00, 0x00, 0xC8, 0x42});
    reader.SamplePosition();
    EXPECT_EQ(reader.currentPosition, 0.0F);
}

}  // namespace
}  // namespace kerbcall
