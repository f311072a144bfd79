#include "tools/cli/drive/drive_options.h"

#include <filesystem>

#include "tools/cli/notes/note_loading.h"

namespace kerbcall::cli {

std::variant<lap::Lap, std::string> ReadLapFile(const std::string& path) {
    auto bytes = ReadFileBytes(path);
    if (const auto* fault = std::get_if<NoteFileFault>(&bytes)) {
        return path + ": " + fault->reason;
    }
    auto read = lap::ReadLap(std::get<std::string>(bytes));
    if (const auto* fault = std::get_if<lap::LapFault>(&read)) {
        return path + (fault->line == 0 ? "" : ":" + std::to_string(fault->line)) + ": " + fault->reason;
    }
    return std::get<lap::Lap>(std::move(read));
}

void AddDriveOptions(CLI::App& command, DriveOptions& options) {
    options.speedOption = command.add_option("--speed", options.speed, "Drive at V units a second")->option_text("V");
    command.add_option("--start", options.start, "From distance D (default 0)")
        ->option_text("D")
        ->needs(options.speedOption);
    options.lapOption = command.add_option("--lap", options.lap, "Drive along a lap of lines SECONDS,DISTANCE")
                            ->option_text("LAP")
                            ->excludes(options.speedOption);
}

std::optional<std::variant<DriveMotion, std::string>> MakeDriveMotion(const DriveOptions& options,
                                                                      std::span<const PaceNote> notes) {
    if (options.lapOption->count() > 0) {
        auto lap = ReadLapFile(options.lap);
        if (auto* problem = std::get_if<std::string>(&lap)) {
            return "lap file " + std::move(*problem);
        }
        return DriveMotion{std::get<lap::Lap>(std::move(lap)),
                           "along " + std::filesystem::path(options.lap).filename().string()};
    }
    if (options.speedOption->count() == 0) {
        return std::nullopt;
    }
    const std::optional<double> speed = lap::ReadFiniteNumber(options.speed);
    if (!speed || *speed <= 0.0) {
        return "--speed must be a number of units a second above 0, not \"" + options.speed + "\"";
    }
    const std::optional<double> start = lap::ReadFiniteNumber(options.start);
    if (!start) {
        return "--start must be a number, not \"" + options.start + "\"";
    }
    auto drive = ConstantSpeedDrive(notes, *speed, *start);
    if (auto* problem = std::get_if<std::string>(&drive)) {
        return std::move(*problem);
    }
    return std::get<DriveMotion>(std::move(drive));
}

}  // namespace kerbcall::cli
