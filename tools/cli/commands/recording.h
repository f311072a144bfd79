#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace kerbcall::cli {

// The sound each key records.
using KeyMap = std::map<char, std::string>;

// What `record` was asked for, checked before the simulator is looked for.
struct RecordingPlan {
    std::string out;  // appended to when it exists
    KeyMap keys;
    std::size_t notesBefore = 0;  // the notes OUT holds already
    std::string lap;              // where the drive is written as a lap; empty for none
    std::optional<std::uint32_t> pid;
};

// Records notes from a drive with the keys of the terminal on standard
// input. The exit status.
int RunRecording(const RecordingPlan& plan);

}  // namespace kerbcall::cli
