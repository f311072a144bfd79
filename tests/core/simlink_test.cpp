#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <string>
#include <vector>

#include "simlink/position_reader.h"
#include "simlink/process_discovery.h"
#include "tests/fakes/fake_platform.h"

namespace kerbcall {
namespace {

using Entries = std::vector<platform::ProcessEntry>;

class ProcessDiscoveryTest : public ::testing::Test {
protected:
    fakes::FakePlatform platform;
    ProcessDiscovery discovery{platform.processes, platform.memory, platform.pump, platform.program};
    bool stopRequested = false;

    ProcessDiscoveryTest() { discovery.LoadExecutableNames(); }
};

TEST_F(ProcessDiscoveryTest, ExecutableNamesFillTheFirstThirteenSlots) {
    EXPECT_EQ(discovery.simExecutables[1], "zrl.exe");
    EXPECT_EQ(discovery.simExecutables[6], "zrlc67.exe");
    EXPECT_EQ(discovery.simExecutables[13], "zrlxsc.exe");
    for (std::size_t slot = 14; slot <= 20; ++slot) {
        EXPECT_TRUE(discovery.simExecutables[slot].empty()) << slot;
    }
}

struct MatchCase {
    const char* name;
    Entries entries;
    std::uint32_t processId;  // 0: nothing matches in one pass
    int slot;
};

TEST_F(ProcessDiscoveryTest, MatchRules) {
    const std::vector<MatchCase> cases = {
        {"the plain name", {{4, "explorer.exe"}, {9, "zrl.exe"}}, 9, 1},
        {"case is ignored", {{11, "ZRLC67.EXE"}}, 11, 6},
        {"the last name in capitals", {{12, "ZRLXSC.EXE"}}, 12, 13},
        {"a further extension matches nothing", {{3, "zrl.exe.bak"}}, 0, 0},
        {"a prefix matches nothing", {{3, "myzrl.exe"}}, 0, 0},
        {"a folder part matches nothing", {{3, "C:\\zrl.exe"}}, 0, 0},
        {"an empty name matches nothing", {{3, ""}}, 0, 0},
        {"the first in snapshot order wins", {{20, "zrlm71.exe"}, {10, "zrl.exe"}}, 20, 12},
    };
    for (const MatchCase& c : cases) {
        fakes::FakePlatform fresh;
        ProcessDiscovery scan{fresh.processes, fresh.memory, fresh.pump, fresh.program};
        scan.LoadExecutableNames();
        fresh.processes.passes = {c.entries};
        bool stop = true;  // one pass only
        scan.FindSimProcess(stop);
        EXPECT_EQ(scan.simProcessId, c.processId) << c.name;
        EXPECT_EQ(scan.simExecutableIndex, c.slot) << c.name;
        EXPECT_EQ(fresh.processes.snapshotsOpen, 0) << c.name;
    }
}

TEST_F(ProcessDiscoveryTest, ScansFreshSnapshotsUntilTheSimulatorStartsAndYieldsOnTheWay) {
    const Entries before = {{1, "init"}, {2, "bash"}};
    Entries after = before;
    after.push_back({77, "zrl.exe"});
    platform.processes.passes = {before, before, before, after};
    platform.memory.openable[77] = 0x1234;
    discovery.FindSimProcess(stopRequested);
    EXPECT_EQ(platform.processes.snapshotsTaken, 4);
    EXPECT_EQ(platform.processes.snapshotsOpen, 0);
    EXPECT_EQ(discovery.simProcessId, 77U);
    EXPECT_EQ(discovery.simProcess, 0x1234U);
    EXPECT_EQ(discovery.simExecutableIndex, 1);
    // One yield after each entry passed over and one after each full pass.
    EXPECT_EQ(platform.pump.yields, 3 * (2 + 1) + 2);
    EXPECT_EQ(platform.memory.opened, std::vector<std::uint32_t>{77});
}

TEST_F(ProcessDiscoveryTest, ARefusedOpenStillEndsTheScanWithHandleZero) {
    platform.processes.passes = {{{5, "zrl.exe"}}};
    discovery.FindSimProcess(stopRequested);
    EXPECT_EQ(discovery.simProcessId, 5U);
    EXPECT_EQ(discovery.simProcess, 0U);
}

TEST_F(ProcessDiscoveryTest, ASnapshotThatCannotBeTakenEndsTheProgramWithoutAMessage) {
    platform.processes.passes = {{{1, "init"}}};
    platform.processes.failingPasses = {2};
    EXPECT_THROW(discovery.FindSimProcess(stopRequested), fakes::ProgramEnded);
    EXPECT_EQ(platform.processes.snapshotsTaken, 3);
    EXPECT_EQ(platform.processes.snapshotsOpen, 0);
    EXPECT_TRUE(platform.program.messages.empty());
}

TEST_F(ProcessDiscoveryTest, AStopHandledInAYieldEndsTheScanAtTheEndOfThePass) {
    platform.processes.passes = {{{1, "init"}, {2, "bash"}}};
    platform.pump.onYield = [&](int) { stopRequested = true; };
    discovery.FindSimProcess(stopRequested);
    EXPECT_EQ(platform.processes.snapshotsTaken, 1);
    EXPECT_EQ(discovery.simProcessId, 0U);
}

std::vector<std::uint8_t> BytesOf(float value) {
    const auto bytes = std::bit_cast<std::array<std::uint8_t, 4>>(value);
    return {bytes.begin(), bytes.end()};
}

struct ProbeCase {
    const char* name;
    platform::ProcessHandle process;
    std::vector<std::uint8_t> probe;
    bool early;
    std::uint64_t address;
};

TEST(PositionReaderTest, TheProbeByteChoosesTheDistanceAddress) {
    const std::vector<ProbeCase> cases = {
        {"B8 first", 7, {0xB8, 0, 0, 0}, true, 0x612710},
        {"only the first byte counts", 7, {0x00, 0xB8, 0xB8, 0xB8}, false, 0x612718},
        {"B9", 7, {0xB9}, false, 0x612718},
        {"nothing readable", 7, {}, false, 0x612718},
        {"no process handle", 0, {0xB8}, false, 0x612718},
    };
    for (const ProbeCase& c : cases) {
        fakes::FakeProcessMemory memory;
        memory.Store(kBuildProbeAddress, c.probe);
        PositionReader reader(memory);
        reader.simProcess = c.process;
        reader.DetectBuild();
        reader.SelectPositionAddress();
        EXPECT_EQ(reader.earlyBuild, c.early) << c.name;
        EXPECT_EQ(reader.positionAddress, c.address) << c.name;
        ASSERT_EQ(memory.reads.size(), 1U);
        EXPECT_EQ(memory.reads[0].address, kBuildProbeAddress);
        EXPECT_EQ(memory.reads[0].size, 4U);
    }
}

TEST(PositionReaderTest, SamplesAreTheFourBytesAsAFloat) {
    fakes::FakeProcessMemory memory;
    PositionReader reader(memory);
    reader.simProcess = 7;
    reader.positionAddress = kLatePositionAddress;
    const std::vector<std::pair<std::vector<std::uint8_t>, float>> cases = {
        {{0x00, 0x00, 0xC8, 0x42}, 100.0F},
        {{0x00, 0x00, 0x80, 0xBF}, -1.0F},
        {{0x00, 0x00, 0x80, 0x7F}, std::numeric_limits<float>::infinity()},
    };
    for (const auto& [bytes, expected] : cases) {
        memory.Store(kLatePositionAddress, bytes);
        reader.SamplePosition();
        EXPECT_EQ(reader.currentPosition, expected);
    }
    memory.Store(kLatePositionAddress, {0x01, 0x00, 0xC0, 0x7F});
    reader.SamplePosition();
    EXPECT_EQ(std::bit_cast<std::uint32_t>(reader.currentPosition), 0x7FC00001U) << "NaN payload passed on";
    // Each read starts from zeros: the bytes that are not delivered are 0.
    memory.bytes.clear();
    memory.Store(kLatePositionAddress, {0x00, 0x00});
    reader.SamplePosition();
    EXPECT_EQ(reader.currentPosition, 0.0F);
    reader.simProcess = 0;
    memory.Store(kLatePositionAddress, BytesOf(100.0F));
    reader.SamplePosition();
    EXPECT_EQ(reader.currentPosition, 0.0F);
}

}  // namespace
}  // namespace kerbcall
