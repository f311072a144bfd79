#pragma once

#include <optional>
#include <span>
#include <string>
#include <variant>

#include <CLI/CLI.hpp>

#include "engine/note_table.h"
#include "tools/cli/drive/stage_drive.h"

namespace kerbcall::cli {

// --speed V [--start D] or --lap LAP: how to drive the stage. The values are
// read by MakeDriveMotion, so that a bad one gets its own message.
struct DriveOptions {
    std::string speed;
    std::string start = "0";
    std::string lap;
    CLI::Option* speedOption = nullptr;
    CLI::Option* lapOption = nullptr;
};

// A lap file as kerbcall-sim --replay reads it, or what is wrong with it,
// with the file and line named.
std::variant<lap::Lap, std::string> ReadLapFile(const std::string& path);

void AddDriveOptions(CLI::App& command, DriveOptions& options);

// The drive the options ask for; nullopt when they ask for none; a message
// for a speed or start that is not a number, a drive that would not end, or a
// lap file that cannot be read.
std::optional<std::variant<DriveMotion, std::string>> MakeDriveMotion(const DriveOptions& options,
                                                                      std::span<const PaceNote> notes);

}  // namespace kerbcall::cli
