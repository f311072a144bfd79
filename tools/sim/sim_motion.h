#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "simlink/telemetry_settings.h"
#include "tools/lap/lap.h"

namespace kerbcall::sim {

// Laps driven at a steady speed: the first from `start` to `length`, every
// further one from 0 to `length`.
struct LapPlan {
    double length = 3000.0;
    double speed = 40.0;  // units per second
    double start = 0.0;
    int laps = 1;
};

struct CarPosition {
    int lap = 0;  // 1 for the first lap; 0 for a replay
    float distance = 0.0F;
    bool finished = false;  // the plan has run out; the distance is its last
};

// Where the car stands `seconds` after the start of the plan.
CarPosition PositionAt(const LapPlan& plan, double seconds);
// Where the car stands on a replayed lap, `time` after the replay's start.
CarPosition PositionAt(const lap::Lap& replay, lap::Microseconds time);

enum class Build { kEarly, kLate };

// The rally titles whose UDP telemetry the stand-in sends instead.
enum class Title { kDr2, kWrc };

struct SimOptions {
    std::string name = "zrl.exe";
    Build build = Build::kLate;
    LapPlan plan;
    std::string replayFile;  // empty: drive the plan
    bool hold = false;
    std::optional<Title> udp;  // none: the simulator's memory
    int port = kDefaultTelemetryPort;
    std::string structure;         // wrc: where to write the structure folder; empty for a new one
    std::optional<float> spoiled;  // the distance of spoiled packets sent beside the good ones
};

// The command line after the program name; an error says what is wrong.
std::variant<SimOptions, std::string> ParseSimArguments(const std::vector<std::string>& args);

}  // namespace kerbcall::sim
