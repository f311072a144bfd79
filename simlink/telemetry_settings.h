#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/user_folders.h"

namespace kerbcall {

// The per-user settings file, beside the remembered note folder.
inline constexpr char kSettingsFile[] = "kerbcall.ini";
// Both games send to this port unless told otherwise.
inline constexpr std::uint16_t kDefaultTelemetryPort = 20777;
// The program listens on the network only when a setting asks it to.
inline constexpr char kDefaultTelemetryAddress[] = "127.0.0.1";

// How one title's telemetry is read.
struct TitleSettings {
    bool enabled = true;
    std::uint16_t port = kDefaultTelemetryPort;
    bool portSet = false;  // by the file; wrc's default comes from the game's own configuration
    std::string address = kDefaultTelemetryAddress;
    // wrc only: the game's telemetry folder (config.json and readme/), the
    // game's own place unless set. The game writes it as it starts, so the
    // defaults are looked for again when it is found.
    std::string structureFolder;
    bool structureSet = false;
    // The first bad line of the title's section, as "kerbcall.ini line N:
    // why"; the title is not read when there is one.
    std::string problem;

    bool Read() const { return enabled && problem.empty(); }
};

// [dr2] and [wrc] of kerbcall.ini.
struct TelemetrySettings {
    TitleSettings dr2;
    TitleSettings wrc;
    // Every bad line, in file order, "kerbcall.ini line N: why"; also those
    // outside the two sections, which skip no title.
    std::vector<std::string> problems;
};

// The settings in a file's text: lines "key=value" under "[dr2]" or "[wrc]";
// ";" and "#" start comments; blanks around keys and values are ignored;
// section and key names are matched without regard to case. Keys: enabled
// (yes|no), port (1..65535), address (IPv4, dotted), structure (wrc's
// folder). Lines end in CR LF, CR or LF; a UTF-8 byte-order mark at the
// start is passed over.
TelemetrySettings ParseTelemetrySettings(std::string_view text);

// kerbcall.ini of the user's settings folder; all defaults when there is
// none. A file that exists but cannot be read is a problem of its own.
TelemetrySettings ReadTelemetrySettings(platform::Files& files, platform::UserFolders& folders);

}  // namespace kerbcall
