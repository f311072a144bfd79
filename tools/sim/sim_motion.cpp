#include "tools/sim/sim_motion.h"

#include <charconv>
#include <cmath>
#include <optional>

namespace kerbcall::sim {

namespace {

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::optional<double> ParseNumber(std::string_view text) {
    text = Trimmed(text);
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

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
        return {1, static_cast<float>(plan.start + travelled), false};
    }
    const double afterFirst = travelled - firstLap;
    const double fullLaps = std::floor(afterFirst / plan.length);
    if (fullLaps + 2.0 > static_cast<double>(plan.laps)) {
        return {plan.laps, static_cast<float>(plan.length), true};
    }
    return {static_cast<int>(fullLaps) + 2, static_cast<float>(afterFirst - fullLaps * plan.length), false};
}

CarPosition PositionAt(const std::vector<ReplayPoint>& points, double seconds) {
    CarPosition position;
    std::size_t reached = 0;
    while (reached < points.size() && points[reached].seconds <= seconds) {
        position.distance = points[reached].distance;
        ++reached;
    }
    position.finished = reached == points.size();
    return position;
}

std::variant<std::vector<ReplayPoint>, std::string> ParseReplay(std::string_view text) {
    std::vector<ReplayPoint> points;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos) {
            return where + "expected SECONDS,DISTANCE";
        }
        const std::optional<double> seconds = ParseNumber(line.substr(0, comma));
        const std::optional<double> distance = ParseNumber(line.substr(comma + 1));
        if (!seconds || !distance || *seconds < 0.0) {
            return where + "expected SECONDS,DISTANCE with SECONDS of 0 or more";
        }
        if (!points.empty() && *seconds < points.back().seconds) {
            return where + "the time goes back";
        }
        points.push_back({*seconds, static_cast<float>(*distance)});
    }
    return points;
}

std::variant<SimOptions, std::string> ParseSimArguments(const std::vector<std::string>& args) {
    SimOptions options;
    bool planGiven = false;
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
        const std::optional<double> number = ParseNumber(value);
        if (option == "--name" && !value.empty() && value.find('/') == std::string::npos) {
            options.name = value;
        } else if (option == "--build" && (value == "early" || value == "late")) {
            options.build = value == "early" ? Build::kEarly : Build::kLate;
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
    return options;
}

}  // namespace kerbcall::sim
