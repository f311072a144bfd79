#include "tools/sim/sim_motion.h"

#include <cmath>
#include <optional>

#include "simlink/distance_sources.h"

namespace kerbcall::sim {

namespace {

std::string CheckPlan(const LapPlan& plan) {
    if (!(plan.length > 0.0)) {
        return "--length must be above 0";
    }
    if (!(plan.speed > 0.0)) {
        return "--speed must be above 0";
    }
    if (plan.start < 0.0 || plan.start >= plan.length) {
        return "--start must lie from 0 up to the length";
    }
    if (plan.laps < 1) {
        return "--laps must be 1 or more";
    }
    return {};
}

}  // namespace

CarPosition PositionAt(const LapPlan& plan, double seconds) {
    const double travelled = std::max(seconds, 0.0) * plan.speed;
    const double firstLap = plan.length - plan.start;
    if (travelled < firstLap) {
        return {1, lap::ToFloatDistance(plan.start + travelled), false};
    }
    const double afterFirst = travelled - firstLap;
    const double fullLaps = std::floor(afterFirst / plan.length);
    if (fullLaps + 2.0 > static_cast<double>(plan.laps)) {
        return {plan.laps, lap::ToFloatDistance(plan.length), true};
    }
    return {static_cast<int>(fullLaps) + 2, lap::ToFloatDistance(afterFirst - fullLaps * plan.length), false};
}

CarPosition PositionAt(const lap::Lap& replay, lap::Microseconds time) {
    return {0, lap::ToFloatDistance(replay.DistanceAt(time)), time >= replay.End()};
}

std::variant<SimOptions, std::string> ParseSimArguments(const std::vector<std::string>& args) {
    SimOptions options;
    bool planGiven = false;
    bool nameGiven = false;
    bool buildGiven = false;
    bool portGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--hold") {
            options.hold = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            return "unknown option or missing value: " + option;
        }
        const std::string& value = args[++i];
        const std::optional<double> number = lap::ReadFiniteNumber(value);
        if (option == "--name" && !value.empty() && value.find('/') == std::string::npos) {
            options.name = value;
            nameGiven = true;
        } else if (option == "--build" && (value == "early" || value == "late")) {
            options.build = value == "early" ? Build::kEarly : Build::kLate;
            buildGiven = true;
        } else if (option == "--udp" && (value == "dr2" || value == "wrc")) {
            options.udp = value == "dr2" ? Title::kDr2 : Title::kWrc;
        } else if (option == "--port" && number && *number == std::floor(*number) && *number >= 1 && *number <= 65535) {
            options.port = static_cast<int>(*number);
            portGiven = true;
        } else if (option == "--structure" && !value.empty()) {
            options.structure = value;
        } else if (option == "--spoiled" && number) {
            options.spoiled = lap::ToFloatDistance(*number);
        } else if (option == "--replay") {
            options.replayFile = value;
        } else if (option == "--length" && number) {
            options.plan.length = *number;
        } else if (option == "--speed" && number) {
            options.plan.speed = *number;
        } else if (option == "--start" && number) {
            options.plan.start = *number;
        } else if (option == "--laps" && number && *number == std::floor(*number) && *number < 1e6) {
            options.plan.laps = static_cast<int>(*number);
        } else {
            return "bad option: " + option + " " + value;
        }
        planGiven =
            planGiven || option == "--length" || option == "--speed" || option == "--start" || option == "--laps";
    }
    if (planGiven && !options.replayFile.empty()) {
        return "--replay goes without --length, --speed, --start and --laps";
    }
    if (std::string problem = CheckPlan(options.plan); !problem.empty()) {
        return problem;
    }
    if (options.udp ? buildGiven : portGiven) {
        return options.udp ? "--build goes without --udp" : "--port goes with --udp";
    }
    if (!options.structure.empty() && options.udp != Title::kWrc) {
        return "--structure goes with --udp wrc";
    }
    if (options.spoiled && !options.udp) {
        return "--spoiled goes with --udp";
    }
    if (options.udp && !nameGiven) {
        options.name = *options.udp == Title::kDr2 ? kDr2Executable : kWrcExecutable;
    }
    return options;
}

}  // namespace kerbcall::sim
