#include "tools/cli/drive/drive_options.h"

#include <charconv>
#include <cmath>
#include <filesystem>

#include "tools/cli/notes/note_loading.h"

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

std::variant<DriveMotion, std::string> LapDriveOf(const std::string& path) {
    auto points = ReadLapFile(path);
    if (const auto* problem = std::get_if<std::string>(&points)) {
        return "lap file " + path + ", " + *problem;
    }
    return LapDrive(std::get<std::vector<sim::ReplayPoint>>(std::move(points)),
                    "along " + std::filesystem::path(path).filename().string());
}

}  // namespace

std::variant<std::vector<sim::ReplayPoint>, std::string> ReadLapFile(const std::string& path) {
    auto bytes = ReadFileBytes(path);
    if (const auto* fault = std::get_if<NoteFileFault>(&bytes)) {
        return fault->reason;
    }
    auto lap = sim::ParseReplay(std::get<std::string>(bytes));
    if (const auto* points = std::get_if<std::vector<sim::ReplayPoint>>(&lap); points != nullptr && points->empty()) {
        return "holds no SECONDS,DISTANCE line";
    }
    return lap;
}

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
        return LapDriveOf(options.lap);
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
