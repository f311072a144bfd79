#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kerbcall::sim {

// Laps driven at a steady speed: the first from `start` to `length`, every
// further one from 0 to `length`.
struct LapPlan {
    double length = 3000.0;
    double speed = 40.0;  // units per second
    double start = 0.0;
    int laps = 1;
};

// Distances written at given times, in the order of the file.
struct ReplayPoint {
    double seconds = 0.0;
    float distance = 0.0F;
};

struct CarPosition {
    int lap = 0;  // 1 for the first lap; 0 for a replay
    float distance = 0.0F;
    bool finished = false;  // the plan has run out; the distance is its last
};

// Where the car stands `seconds` after the start of the plan.
CarPosition PositionAt(const LapPlan& plan, double seconds);
// The last point whose time has come (distance 0 before the first).
CarPosition PositionAt(const std::vector<ReplayPoint>& points, double seconds);

// Lines "SECONDS,DISTANCE" with times that never go back; blank lines and
// lines starting with "#" are skipped. An error names the line.
std::variant<std::vector<ReplayPoint>, std::string> ParseReplay(std::string_view text);

enum class Build { kEarly, kLate };

struct SimOptions {
    std::string name = "zrl.exe";
    Build build = Build::kLate;
    LapPlan plan;
    std::string replayFile;  // empty: drive the plan
    bool hold = false;
};

// The command line after the program name; an error says what is wrong.
std::variant<SimOptions, std::string> ParseSimArguments(const std::vector<std::string>& args);

}  // namespace kerbcall::sim
