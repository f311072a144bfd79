#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/user_folders.h"

namespace kerbcall {

// The game's Steam app, whose Proton prefix holds its folder on Linux.
inline constexpr char kWrcSteamAppId[] = "1849250";

// The four bytes a session_update packet begins its header with.
inline constexpr char kWrcSessionUpdateFourcc[] = "sesu";

// Where the fields of the game's "session_update" packet lie, as its
// structure files describe them: fields packed in the order listed, header
// channels first, little-endian.
struct WrcPacketLayout {
    std::size_t size = 0;  // of the whole packet
    // Where the packet's four-character code lies, when the header has one.
    std::optional<std::size_t> fourccOffset;
    std::size_t distanceOffset = 0;  // of stage_current_distance
    bool distanceIsFloat64 = false;  // else float32
};

// What config.json tells: the structure file the session_update packet is
// sent in and the port it is sent to.
struct WrcConfig {
    std::string structure = "wrc";
    std::optional<std::uint16_t> port;
};

// What a structure folder gives: a layout, or why there is none, naming the
// file ("…/readme/udp/wrc.json: no channel stage_current_distance in the
// session_update packet").
struct WrcStructure {
    std::optional<WrcPacketLayout> layout;
    std::optional<std::uint16_t> port;  // config.json's, when it names one
    std::string problem;
};

// config.json's text; nullopt when it is no JSON or has no session_update
// entry (the defaults then hold).
std::optional<WrcConfig> ParseWrcConfig(std::string_view configJson);

// The layout from channels.json's and the structure file's texts; the
// problem (without a file name) when they give none.
struct WrcLayoutResult {
    std::optional<WrcPacketLayout> layout;
    std::string problem;
    std::string problemFile;  // "channels" or "structure": which text it lies in
};
WrcLayoutResult ParseWrcLayout(std::string_view channelsJson, std::string_view structureJson);

// Reads `folder`/config.json (if there), readme/channels.json and
// readme/udp/<structure>.json.
WrcStructure ReadWrcStructure(platform::Files& files, std::string_view folder);

// The game's telemetry folder where the game keeps it: the first of the
// likely places that holds a config.json or a readme folder, else the first.
std::string DefaultWrcFolder(platform::Files& files, platform::UserFolders& folders);

}  // namespace kerbcall
