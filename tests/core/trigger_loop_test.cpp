#include "engine/trigger_loop.h"

#include <gtest/gtest.h>

#include <bit>
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
        {"the first note fires on entering its window", {100}, {0, 95, 100, 105}, {kNone, 0, kNone, kNone}},
        {"rising samples, then back to the first note",
         {100, 500},
         {0, 95, 300, 495, 600, 95},
         {kNone, 0, kNone, 1, kNone, 0}},
        {"leaving and re-entering without another note plays nothing", {100}, {100, 200, 100}, {0, kNone, kNone}},
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
    };
    for (const DecisionCase& c : cases) {
        EXPECT_EQ(Decide(c.distances, c.samples), c.fired) << c.name;
    }
}

// The simulator's distance takes one value per pass; the loop stops once all
// have been sampled.
TEST(TriggerLoopTest, EveryPassSamplesAndYieldsOnceAndEachNoteClosesThePreviousSound) {
    fakes::FakePlatform platform;
    Globals globals;
    globals.paceNotes[0] = {"left3.mp3", 100};
    globals.paceNotes[1] = {"right2.mp3", 200};
    globals.lastNoteIndex = 1;
    SoundPlayer sound{platform.mci, "C:\\Kerbcall"};
    PositionReader position{platform.memory};
    position.simProcess = 7;
    position.positionAddress = kLatePositionAddress;
    const std::vector<float> samples = {0, 100, 100, 200};
    bool stopRequested = true;
    platform.pump.onYield = [&](int yield) {
        stopRequested = static_cast<std::size_t>(yield) == samples.size();
        const auto bytes =
            std::bit_cast<std::array<std::uint8_t, 4>>(samples[static_cast<std::size_t>(yield) % samples.size()]);
        platform.memory.Store(kLatePositionAddress, {bytes.begin(), bytes.end()});
    };
    platform.pump.onYield(0);
    RunTriggerLoop(globals, position, sound, platform.pump, stopRequested);
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

}  // namespace
}  // namespace kerbcall
