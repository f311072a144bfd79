#include <gtest/gtest.h>

#include <bit>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "engine/note_file.h"
#include "engine/sample_wait.h"
#include "engine/trigger_loop.h"
#include "simlink/distance_sources.h"
#include "simlink/position_reader.h"
#include "simlink/process_discovery.h"
#include "sound/sound_player.h"
#include "tests/fakes/fake_platform.h"

namespace kerbcall {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr int kNone = -1;

using Notes = std::optional<std::vector<PaceNote>>;  // nullopt: the file is damaged

TEST(NoteFileTest, LinesAreSkippedCutAndSplitAndDistancesRoundHalfToEven) {
    const std::string longName(32764, 'x');  // puts the first ";" at character 32767
    std::string fullTable;
    for (int i = 0; i < 2001; ++i) {
        fullTable += "n.mp3,1\r\n\r\n";
    }
    const struct {
        std::string file;
        Notes notes;
    } cases[] = {
        {"; first chicane\r\n[ Track ]\r\n\r\n", Notes(std::in_place)},
        {"right2.mp3,241;tightens\rcaution.mp3, 3\t07.5\r900\r[Track]\r   ; later\ra.mp3;b.mp3,100\rleft3.mp3 ,125,200",
         Notes{{{"right2.mp3", 241}, {"caution.mp3", 308}, {"", 900}, {"", 0}, {"", 0}, {"", 0}, {"left3.mp3 ", 125}}}},
        {"a,100\nbravo,200\r\nc,3\n\rd,4\n", Notes{{{"a", 100}, {"bravo", 200}, {"c", 3}, {"d", 4}}}},
        {longName + ",5;c", Notes{{{longName, 5}}}},
        {longName + "xxx,5", std::nullopt},
        {longName + "xxx;c", std::nullopt},
        {"", std::nullopt},
        {fullTable, Notes(std::vector<PaceNote>(2001, {"n.mp3", 1}))},
        {fullTable + "n.mp3,1", std::nullopt},
        {"a,12.5\rb,13.5\rc,-2.5\rd, - 1 2 \re,1.5e+2\rf,25e-1",
         Notes{{{"a", 12}, {"b", 14}, {"c", -2}, {"d", -12}, {"e", 150}, {"f", 2}}}},
        {"a,120m\rb,1.2.3\rc,.5\rd,far\re,--5\rf,0x10\rg,1e-400",
         Notes{{{"a", 120}, {"b", 1}, {"c", 0}, {"d", 0}, {"e", 0}, {"f", 0}, {"g", 0}}}},
        {"a,0e999999999\rb,1e0000000000000000000000002\rc,+7\rd,1e", Notes{{{"a", 0}, {"b", 100}, {"c", 7}, {"d", 1}}}},
        {"a,2147483647.4\rb,-2147483648.5", Notes{{{"a", 2147483647}, {"b", -2147483647 - 1}}}},
        {"a,2147483647.5", std::nullopt},
        {"a,-2147483649", std::nullopt},
        {"a,1e400", std::nullopt},
    };
    for (const auto& c : cases) {
        const NoteFileReading reading = ParseNoteFile(c.file);
        const auto* contents = std::get_if<NoteFileContents>(&reading);
        EXPECT_EQ(contents == nullptr ? std::nullopt : Notes(contents->notes), c.notes) << c.file.substr(0, 40);
    }
}

TEST(ProcessDiscoveryTest, FindsTheFirstSimulatorByNameInFreshSnapshotsYieldingOnTheWay) {
    const std::vector<platform::ProcessEntry> idle = {{1, "init"}, {2, "bash"}};
    const struct {
        std::vector<std::vector<platform::ProcessEntry>> passes;
        std::uint32_t processId;
        int slot;
        int yields;  // one after each entry passed over and one after each pass
    } cases[] = {
        {{{{4, "explorer.exe"}, {9, "zrl.exe"}}}, 9, 1, 1},
        {{{{11, "ZRLXSC.EXE"}}}, 11, 13, 0},
        {{{{20, "zrlm71.exe"}, {10, "zrl.exe"}}}, 20, 12, 0},
        {{{{3, "zrl.exe.bak"}, {4, "myzrl.exe"}, {5, "C:\\zrl.exe"}, {6, ""}}, {{7, "Zrl.exe"}}}, 7, 1, 5},
        {{idle, idle, idle, {{1, "init"}, {2, "bash"}, {77, "zrl.exe"}}}, 77, 1, 3 * 3 + 2},
    };
    for (const auto& c : cases) {
        fakes::FakePlatform platform;
        platform.processes.passes = c.passes;
        platform.memory.openable[c.processId] = 0x1234;
        ProcessDiscovery discovery(platform.processes, platform.memory, platform.pump, platform.program);
        discovery.LoadExecutableNames();
        discovery.FindSimProcess(false);
        EXPECT_EQ(std::tuple(discovery.simProcessId, discovery.simExecutableIndex, discovery.simProcess),
                  std::tuple(c.processId, c.slot, platform::ProcessHandle{0x1234}));
        EXPECT_EQ(platform.processes.snapshotsTaken, static_cast<int>(c.passes.size())) << c.processId;
        EXPECT_EQ(platform.pump.yields, c.yields) << c.processId;
    }
}

// A probe that fails or reads 0 is read again (the simulator's image not yet in place) until it settles.
TEST(PositionReaderTest, TheProbeByteChoosesTheAddressAndSamplesAreTheFourBytesThere) {
    const struct {
        platform::ProcessHandle process;
        std::vector<std::uint8_t> probe, probeAtThirdWait;
        std::uint64_t address;
    } cases[] = {
        {7, {0xB8, 0, 0, 0}, {}, kEarlyPositionAddress},  {7, {0x00, 0xB8, 0xB8, 0xB8}, {}, kLatePositionAddress},
        {7, {0xB9, 0, 0, 0}, {}, kLatePositionAddress},   {7, {0xB8}, {}, kLatePositionAddress},
        {0, {0xB8, 0, 0, 0}, {}, kLatePositionAddress},   {7, {}, {0xB8, 0, 0, 0}, kEarlyPositionAddress},
        {7, {0, 0, 0, 0}, {0xB8}, kEarlyPositionAddress},
    };
    for (const auto& c : cases) {
        fakes::FakeProcessMemory memory;
        fakes::FakeMessagePump pump;
        memory.Store(kBuildProbeAddress, c.probe);
        pump.onYield = [&](int wait) { memory.Store(kBuildProbeAddress, wait == 3 ? c.probeAtThirdWait : c.probe); };
        memory.Store(c.address, {0x01, 0x00, 0xC0, 0x7F});  // a NaN, payload and all
        PositionReader reader(memory, pump);
        reader.simProcess = c.process;
        reader.currentPosition = 1.0F;  // a failed read gives 0, not the last sample
        reader.DetectBuild();
        reader.SelectPositionAddress();
        reader.SamplePosition();
        EXPECT_EQ(memory.reads.back(), c.address);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(reader.currentPosition), c.process == 0 ? 0U : 0x7FC00001U);
    }
}

TEST(TriggerDecisionTest, TheNoteEachPassFires) {
    const struct {
        const char* name;
        std::vector<std::int32_t> distances;
        std::vector<float> samples;
        std::vector<int> fired;
    } cases[] = {
        {"windows open at both ends", {100}, {110, 90, 90.5F}, {kNone, kNone, 0}},
        {"a note fires on entering", {100}, {0, 95, 100, 105}, {kNone, 0, kNone, kNone}},
        {"rising, then back", {100, 500}, {0, 95, 300, 495, 600, 95}, {kNone, 0, kNone, 1, kNone, 0}},
        {"re-entering alone plays nothing", {100}, {100, 200, 100}, {0, kNone, kNone}},
        {"unsorted: table order", {500, 100}, {100, 500}, {1, 0}},
        {"overlapping: first, then second once", {100, 100}, {100, 100, 100, 100}, {0, 1, kNone, kNone}},
        {"overlapping after leaving both", {100, 105}, {102, 102, 102, 300, 102}, {0, 1, kNone, kNone, 0}},
        {"a fired note stays quiet inside", {100, 115}, {100, 108, 100}, {0, 1, kNone}},
        {"a sample of 0.0 plays a note near 0", {5, 100}, {100, 0}, {1, 0}},
        {"20 apart never share a sample", {100, 120}, {110, 110.0001F, 109.9999F}, {kNone, 1, 0}},
        {"NaN, infinity change nothing",
         {100, 105},
         {96, 101, kNaN, 102, kInf, -kInf},
         {0, 1, kNone, kNone, kNone, kNone}},
        {"jumped over, by at most 100", {150, 450}, {0, 100, 200, 349.5F, 470}, {kNone, kNone, 0, kNone, kNone}},
        {"the farthest jumped over; a window holding it wins", {120, 150, 185, 260}, {100, 170, 265}, {kNone, 1, 3}},
        {"a jump skips the note played last", {130, 100}, {130, 50, 150}, {0, kNone, 1}},
        {"32-bit limits", {kMax, kMin, 2147483637}, {2147483647.0F, -2147483648.0F, 0}, {0, 1, kNone}},
    };
    for (const auto& c : cases) {
        std::vector<PaceNote> notes;
        for (const std::int32_t distance : c.distances) {
            notes.push_back({"n.mp3", distance});
        }
        const NoteWindows windows(notes);
        TriggerState state;
        std::vector<int> fired;
        for (const float sample : c.samples) {
            fired.push_back(DecidePass(windows, state, sample).value_or(kNone));
        }
        EXPECT_EQ(fired, c.fired) << c.name;
    }
}

TEST(SampleWaitTest, TheWaitFollowsTheDistanceToTheNearestEdge) {
    const struct {
        double distance, speed, acceleration;
        int wait;  // ms
    } cases[] = {{100, 0, 20, 50},  {0, 0, 20, 1},      {1, 70, 20, 1},
                 {2.42, 40, 0, 24}, {2.42, 40, 20, 23}, {1.8, 40, 0, 1},
                 {1, -70, 20, 50},  {1, -5, 0, 50},     {std::numeric_limits<double>::infinity(), 70, 20, 50},
                 {5, kNaN, 20, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(WaitBeforeNextSample(c.distance, c.speed, c.acceleration).count(), c.wait) << c.distance;
    }
}

TEST(SampleWaitTest, TheSpeedComesFromTheSamplesAndAnySurpriseShortensTheWait) {
    const struct {
        const char* name;
        std::vector<std::optional<float>> samples;  // 50 ms apart
        std::vector<int> waits;                     // ms
    } cases[] = {
        {"nearing the window, the speed maybe 12 units/s higher", {983.8F, 985.8F, 987.8F}, {1, 1, 1}},
        {"leaving it behind", {1008, 1010, 1012}, {1, 1, 50}},
        {"backing toward it", {1016, 1014, 1012}, {1, 1, 1}},
        {"far at 40 units/s once known; a failed read; put back",
         {0, 2, 4, std::nullopt, 8, 10, 12, -500},
         {1, 1, 50, 1, 1, 1, 50, 1}},
    };
    const NoteWindows windows(std::vector<PaceNote>{{"n.mp3", 1000}});
    for (const auto& c : cases) {
        SampleWaits waits(windows);
        std::vector<int> chosen;
        SampleWaits::Clock::time_point time;
        for (const std::optional<float> sample : c.samples) {
            chosen.push_back(static_cast<int>(waits.After(sample, time).count()));
            time += std::chrono::milliseconds(50);
        }
        EXPECT_EQ(chosen, c.waits) << c.name;
    }
}

TEST(SampleWaitTest, TheLoopWaitsAsTheStageNeedsAndHoldsTheFineTimerOnlyForItsSteps) {
    struct SimulatedPump : fakes::FakeMessagePump {
        Clock::time_point now;
        std::vector<std::pair<long, int>> waits;  // ms, fine timer requests held
        int fine = 0;
        Clock::time_point Now() override { return now; }
        void HandleMessagesUntil(Clock::time_point deadline) override {
            waits.emplace_back(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count(), fine);
            now = deadline;
            HandlePendingMessages();
        }
        void BeginFineWaits() override { ++fine; }
        void EndFineWaits() override { --fine; }
    } pump;
    fakes::FakePlatform fake;
    fake.memory.Store(kEarlyPositionAddress, {0, 0, 0, 0});
    PositionReader position(fake.memory);
    position.simProcess = 1;
    position.positionAddress = kEarlyPositionAddress;
    Globals globals;
    globals.paceNotes[0] = {"n.mp3", 1000};
    globals.lastNoteIndex = 0;
    SoundPlayer sound(fake.mci, fake.files, "C:\\K");
    bool stopRequested = false;
    pump.onYield = [&](int yield) { stopRequested = yield == 103; };
    MemoryDistance source(position);
    RunTriggerLoop(globals, source, sound, pump, stopRequested);
    EXPECT_EQ(std::ranges::count(pump.waits, std::pair(1L, 1)), 100);
    EXPECT_EQ(pump.waits.back(), std::pair(50L, 0));
    EXPECT_EQ(pump.fine, 0);
}

TEST(SoundPlayerTest, ChannelsAndLoopingChooseTheCommands) {
    const std::string leftOnly = "setaudio songNumber1 right off|";
    const std::string rightOnly = "setaudio songNumber1 left off|";
    const std::string both = "setaudio songNumber1 left on|setaudio songNumber1 right on|";
    const struct {
        std::string channel;
        bool loop;
        std::string between;  // the commands between open and play
    } cases[] = {{"L", false, leftOnly}, {"Left", true, leftOnly}, {"r", false, rightOnly}, {"Right", false, rightOnly},
                 {"", false, both},      {"both", true, both},     {" left", false, both}};
    for (const auto& c : cases) {
        fakes::FakeMci mci;
        fakes::FakeFiles files;
        mci.answer = 263;  // an error code changes nothing
        SoundPlayer(mci, files, "C:\\K").PlaySound(" a \"b\".mp3", c.loop, c.channel);
        std::string sent;
        for (const std::string& command : mci.commands) {
            sent += command + "|";
        }
        EXPECT_EQ(sent, "open \"C:\\K\\Zuda Vodaz Sounds\\ a \"b\".mp3\" type mpegvideo alias songNumber1|" +
                            c.between + (c.loop ? "play songNumber1 repeat|" : "play songNumber1|"))
            << c.channel;
    }
}

}  // namespace
}  // namespace kerbcall
