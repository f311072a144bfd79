#include "tools/cli/drive_options.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace kerbcall::cli {

namespace {

std::optional<double> FiniteNumber(const std::string& text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
    const auto result = std::from_chars(begin, end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::variant<DriveMotion, std::string> ReadLap(const std::string& path) {
    std::error_code error;
    std::ifstream file;
    if (std::filesystem::is_regular_file(path, error)) {
        file.open(path, std::ios::binary);
    }
    if (!file.is_open()) {
        return "lap file " + path + " cannot be read";
    }
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) {
        return "lap file " + path + " cannot be read";
    }
    auto points = sim::ParseReplay(text);
    if (const auto* problem = std::get_if<std::string>(&points)) {
        return "lap file " + path + ", " + *problem;
    }
    auto& lap = std::get<std::vector<sim::ReplayPoint>>(points);
    if (lap.empty()) {
        return "lap file " + path + " holds no points";
    }
    return LapDrive(std::move(lap), "along " + std::filesystem::path(path).filename().string());
}

}  // namespace

void AddDriveOptions(CLI::App& command, DriveOptions& options, CLI::Option* soundsOption) {
    options.speedOption = command.add_option("--speed", options.speed, "Drive at V units a second")
                              ->option_text("V")
                              ->needs(soundsOption);
    command.add_option("--start", options.start, "From distance D (default 0)")
        ->option_text("D")
        ->needs(options.speedOption);
    options.lapOption = command.add_option("--lap", options.lap, "Drive along a lap of lines SECONDS,DISTANCE")
                            ->option_text("LAP")
                            ->needs(soundsOption)
                            ->excludes(options.speedOption);
}

std::optional<std::variant<DriveMotion, std::string>> MakeDriveMotion(const DriveOptions& options,
                                                                      std::span<const PaceNote> notes) {
    if (options.lapOption->count() > 0) {
        return ReadLap(options.lap);
    }
    if (options.speedOption->count() == 0) {
        return std::nullopt;
    }
    const std::optional<double> speed = FiniteNumber(options.speed);
    if (!speed || *speed <= 0.0) {
        return "--speed must be a number of units a second above 0, not \"" + options.speed + "\"";
    }
    const std::optional<double> start = FiniteNumber(options.start);
    if (!start) {
        return "--start must be a number, not \"" + options.start + "\"";
    }
    return ConstantSpeedDrive(notes, *speed, *start);
}

}  // namespace kerbcall::cli
