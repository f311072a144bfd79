#include "engine/trigger_loop.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace kerbcall {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr int kNone = -1;

// The note each pass fires over a note table, one sample per pass.
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
    const struct {
        const char* name;
        std::vector<std::int32_t> distances;
        std::vector<float> samples;
        std::vector<int> fired;
    } cases[] = {
        {"windows open at both ends", {100}, {90, 110, 90.5F}, {kNone, kNone, 0}},
        {"a note fires on entering", {100}, {0, 95, 100, 105}, {kNone, 0, kNone, kNone}},
        {"rising, then back", {100, 500}, {0, 95, 300, 495, 600, 95}, {kNone, 0, kNone, 1, kNone, 0}},
        {"re-entering alone plays nothing", {100}, {100, 200, 100}, {0, kNone, kNone}},
        {"unsorted: table order", {500, 100}, {100, 500}, {1, 0}},
        {"overlapping: first, then second once", {100, 100}, {100, 100, 100, 100}, {0, 1, kNone, kNone}},
        {"overlapping after leaving both", {100, 105}, {102, 102, 102, 300, 102}, {0, 1, kNone, kNone, 0}},
        {"a fired note stays quiet inside", {100, 115}, {100, 108, 100}, {0, 1, kNone}},
        {"a failed read (0.0) plays a note near 0", {5, 100}, {100, 0}, {1, 0}},
        {"20 apart never share a sample", {100, 120}, {110, 110.0001F, 109.9999F}, {kNone, 1, 0}},
        {"NaN and infinities lie in no window", {0, kMax}, {kNaN, kInf, -kInf}, {kNone, kNone, kNone}},
        {"32-bit limits", {kMax, kMin, 2147483637}, {2147483647.0F, -2147483648.0F, 0}, {0, 1, kNone}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Decide(c.distances, c.samples), c.fired) << c.name;
    }
}

}  // namespace
}  // namespace kerbcall
