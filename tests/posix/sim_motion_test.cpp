#include "tools/sim/sim_motion.h"

#include <gtest/gtest.h>

namespace kerbcall::sim {
namespace {

TEST(LapPlan, DrivesFromTheStartToTheLengthThenLapsFromZero) {
    const LapPlan plan{.length = 100.0, .speed = 10.0, .start = 40.0, .laps = 3};
    const struct {
        double seconds;
        int lap;
        float distance;
        bool finished;
    } cases[] = {
        {-1.0, 1, 40.0F, false}, {0.0, 1, 40.0F, false},  {5.5, 1, 95.0F, false}, {6.0, 2, 0.0F, false},
        {6.5, 2, 5.0F, false},   {15.9, 2, 99.0F, false}, {16.0, 3, 0.0F, false}, {25.0, 3, 90.0F, false},
        {26.0, 3, 100.0F, true}, {1e9, 3, 100.0F, true},
    };
    for (const auto& c : cases) {
        const CarPosition position = PositionAt(plan, c.seconds);
        EXPECT_EQ(position.lap, c.lap) << c.seconds;
        EXPECT_NEAR(position.distance, c.distance, 1e-3F) << c.seconds;
        EXPECT_EQ(position.finished, c.finished) << c.seconds;
    }
}

TEST(Replay, ReadsLinesAndNamesTheFirstBadOne) {
    const auto points = ParseReplay("# warm-up\n0,0\r\n\n 0.25 , 12.5\n1e0,1E3\n");
    ASSERT_TRUE(std::holds_alternative<std::vector<ReplayPoint>>(points));
    const auto& read = std::get<std::vector<ReplayPoint>>(points);
    ASSERT_EQ(read.size(), 3U);
    EXPECT_EQ(read[1].seconds, 0.25);
    EXPECT_EQ(read[1].distance, 12.5F);
    EXPECT_EQ(read[2].distance, 1000.0F);

    const struct {
        std::string text;
        std::string error;
    } bad[] = {
        {"0,1\n2\n", "line 2: expected SECONDS,DISTANCE"},
        {"0,1\n1,x\n", "line 2: expected SECONDS,DISTANCE with SECONDS of 0 or more"},
        {"-1,5\n", "line 1: expected SECONDS,DISTANCE with SECONDS of 0 or more"},
        {"1,5\n0.5,6\n", "line 2: the time goes back"},
        {"1,inf\n", "line 1: expected SECONDS,DISTANCE with SECONDS of 0 or more"},
    };
    for (const auto& c : bad) {
        const auto result = ParseReplay(c.text);
        ASSERT_TRUE(std::holds_alternative<std::string>(result)) << c.text;
        EXPECT_EQ(std::get<std::string>(result), c.error);
    }
}

TEST(SimArguments, RefuseWhatTheStandInCannotDrive) {
    const std::vector<std::string> bad[] = {
        {"--length"},          {"--length", "0"}, {"--length", "abc"},   {"--speed", "-5"},
        {"--start", "3000"},   {"--start", "-1"}, {"--laps", "0"},       {"--laps", "1.5"},
        {"--build", "middle"}, {"--name", ""},    {"--name", "a/b.exe"}, {"--replay", "x.csv", "--speed", "3"},
    };
    for (const auto& args : bad) {
        EXPECT_TRUE(std::holds_alternative<std::string>(ParseSimArguments(args))) << args.front();
    }
}

}  // namespace
}  // namespace kerbcall::sim
