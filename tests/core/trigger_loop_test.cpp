#include "engine/trigger_loop.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/fakes/fake_platform.h"

namespace kerbcall {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr int kNone = -1;

struct DecisionCase {
    const char* name;
    std::vector<std::int32_t> distances;  // note table, in order
    std::vector<float> samples;           // one per pass
    std::vector<int> fired;               // the note fired in each pass, or kNone
};

std::vector<int> Decide(const std::vector<std::int32_t>& distances, const std::vector<float>& samples) {
    std::vector<PaceNote> notes;
    for (const std::int32_t d : distances) {
        notes.push_back({"n.mp3", d});
    }
    const NoteWindows windows(notes);
    TriggerState state;
    std::vector<int> fired;
    for (const float sample : samples) {
        fired.push_back(DecidePass(windows, state, sample).value_or(kNone));
    }
    return fired;
}

TEST(TriggerDecisionTest, PassDecisions) {
    const std::vector<DecisionCase> cases = {
        {"windows are open at both ends", {100}, {90, 110, 90.5F}, {kNone, kNone, 0}},
        {"just inside the upper end", {100}, {109.99F}, {0}},
        {"the first note fires on entering its window", {100}, {0, 95, 100, 105}, {kNone, 0, kNone, kNone}},
        {"a one-note file plays its note", {100}, {100}, {0}},
        {"rising samples, then back to the first note",
         {100, 500},
         {0, 95, 300, 495, 600, 95},
         {kNone, 0, kNone, 1, kNone, 0}},
        {"leaving and re-entering without another note plays nothing", {100}, {100, 200, 100}, {0, kNone, kNone}},
        {"direction plays no part", {100, 50}, {200, 105, 55}, {kNone, 0, 1}},
        {"unsorted tables: table order decides", {500, 100}, {100, 500}, {1, 0}},
        {"overlapping windows: the first in table order, then the second once",
         {100, 100},
         {100, 100, 100, 100},
         {0, 1, kNone, kNone}},
        {"overlapping windows after leaving both", {100, 105}, {102, 102, 102, 300, 102}, {0, 1, kNone, kNone, 0}},
        {"a note that fired stays quiet while the sample stays in its window",
         {100, 115},
         {100, 108, 100},
         {0, 1, kNone}},
        {"at most one firing per pass", {100, 300}, {100, 300, 100}, {0, 1, 0}},
        {"a failed read (0.0) plays a note near zero", {5, 100}, {100, 0}, {1, 0}},
        {"notes 20 apart never share a sample", {100, 120}, {110, 110.0001F, 109.9999F}, {kNone, 1, 0}},
        {"NaN lies in no window", {0, 100}, {kNaN, kNaN}, {kNone, kNone}},
        {"infinities lie in no window",
         {std::numeric_limits<std::int32_t>::max()},
         {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()},
         {kNone, kNone}},
        {"distances at the 32-bit limits work",
         {std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min(), 2147483637},
         {2147483647.0F, -2147483648.0F, 0},
         {0, 1, kNone}},
        {"an empty table plays nothing", {}, {0, 100}, {kNone, kNone}},
    };
    for (const DecisionCase& c : cases) {
        EXPECT_EQ(Decide(c.distances, c.samples), c.fired) << c.name;
    }
}

class TriggerLoopTest : public ::testing::Test {
protected:
    fakes::FakePlatform platform;
    Globals globals;
    SoundPlayer sound{platform.mci, "C:\\Kerbcall"};
    PositionReader position{platform.memory};
    bool stopRequested = true;

    // The simulator's distance takes one value per pass; the loop stops
    // (through stopRequested) once all have been sampled.
    void RunOver(const std::vector<float>& samples) {
        position.simProcess = 7;
        position.positionAddress = kLatePositionAddress;
        platform.memory.openable[1] = 7;
        StoreDistance(samples.front());
        platform.pump.onYield = [&](int yield) {
            if (static_cast<std::size_t>(yield) == samples.size()) {
                stopRequested = true;
            } else {
                StoreDistance(samples[static_cast<std::size_t>(yield)]);
            }
        };
        RunTriggerLoop(globals, position, sound, platform.pump, stopRequested);
    }

    void StoreDistance(float distance) {
        const auto bytes = std::bit_cast<std::array<std::uint8_t, 4>>(distance);
        platform.memory.Store(kLatePositionAddress, {bytes.begin(), bytes.end()});
    }

    void Load(const std::vector<PaceNote>& notes) {
        std::copy(notes.begin(), notes.end(), globals.paceNotes.begin());
        globals.lastNoteIndex = static_cast<std::int16_t>(notes.size() - 1);
    }
};

TEST_F(TriggerLoopTest, EveryPassSamplesOnceAndYieldsOnceAndEachNoteClosesThePreviousSound) {
    Load({{"left3.mp3", 100}, {"right2.mp3", 200}});
    RunOver({0, 100, 100, 200});
    EXPECT_EQ(platform.pump.yields, 4);
    EXPECT_EQ(platform.memory.reads.size(), 4U);
    const std::vector<std::string> expected = {
        "close songNumber1",
        "open \"C:\\Kerbcall\\Zuda Vodaz Sounds\\left3.mp3\" type mpegvideo alias songNumber1",
        "setaudio songNumber1 left on",
        "setaudio songNumber1 right on",
        "play songNumber1",
        "close songNumber1",
        "open \"C:\\Kerbcall\\Zuda Vodaz Sounds\\right2.mp3\" type mpegvideo alias songNumber1",
        "setaudio songNumber1 left on",
        "setaudio songNumber1 right on",
        "play songNumber1",
    };
    EXPECT_EQ(platform.mci.commands, expected);
}

TEST_F(TriggerLoopTest, NoNotesPlaysNothing) {
    RunOver({0, 5, -5});
    EXPECT_EQ(platform.pump.yields, 3);
    EXPECT_TRUE(platform.mci.commands.empty());
}

TEST_F(TriggerLoopTest, AnUnreadableSimulatorSamplesZero) {
    Load({{"zero.mp3", 5}});
    position.simProcess = 0;
    platform.pump.onYield = [&](int) { stopRequested = true; };
    RunTriggerLoop(globals, position, sound, platform.pump, stopRequested);
    EXPECT_EQ(position.currentPosition, 0.0F);
    ASSERT_EQ(platform.mci.commands.size(), 5U);
    EXPECT_NE(platform.mci.commands[1].find("zero.mp3"), std::string::npos);
}

}  // namespace
}  // namespace kerbcall
