#include "simlink/telemetry_settings.h"

#include <charconv>

#include "platform/ascii_case.h"
#include "platform/path_join.h"
#include "platform/trimmed.h"
#include "simlink/wrc_structure.h"

namespace kerbcall {

namespace {

// A whole decimal number from `lowest` to `highest`, digits only.
std::optional<unsigned> WholeNumber(std::string_view text, unsigned lowest, unsigned highest) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text.front() == '+' || error != std::errc() || end != text.data() + text.size() ||
        value < lowest || value > highest) {
        return std::nullopt;
    }
    return value;
}

bool IsIpv4Address(std::string_view text) {
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = part < 3 ? text.find('.') : text.size();
        // "01" is refused as the system's own reading refuses it.
        if (dot == std::string_view::npos || dot == 0 || dot > 3 || (dot > 1 && text.front() == '0') ||
            !WholeNumber(text.substr(0, dot), 0, 255)) {
            return false;
        }
        text.remove_prefix(std::min(text.size(), dot + 1));
    }
    return true;
}

// Why the value cannot be taken for the key; empty when it was taken.
std::string Apply(TitleSettings& title, bool wrc, std::string_view key, std::string_view value) {
    const std::string quoted = "\"" + std::string(value) + "\"";
    if (platform::EqualIgnoringAsciiCase(key, "enabled")) {
        if (platform::EqualIgnoringAsciiCase(value, "yes") || platform::EqualIgnoringAsciiCase(value, "no")) {
            title.enabled = platform::EqualIgnoringAsciiCase(value, "yes");
            return {};
        }
        return "enabled must be yes or no, not " + quoted;
    }
    if (platform::EqualIgnoringAsciiCase(key, "port")) {
        const std::optional<unsigned> port = WholeNumber(value, 1, 65535);
        if (!port) {
            return "port must be a whole number from 1 to 65535, not " + quoted;
        }
        title.port = static_cast<std::uint16_t>(*port);
        title.portSet = true;
        return {};
    }
    if (platform::EqualIgnoringAsciiCase(key, "address")) {
        if (!IsIpv4Address(value)) {
            return "address must be an IPv4 address such as 127.0.0.1, not " + quoted;
        }
        title.address = value;
        return {};
    }
    if (wrc && platform::EqualIgnoringAsciiCase(key, "structure")) {
        if (value.empty()) {
            return "structure names no folder";
        }
        title.structureFolder = value;
        title.structureSet = true;
        return {};
    }
    return "unknown key \"" + std::string(key) + "\"";
}

}  // namespace

TelemetrySettings ParseTelemetrySettings(std::string_view text) {
    TelemetrySettings settings;
    // Notepad may begin the file with UTF-8's byte-order mark.
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    TitleSettings* section = nullptr;
    bool inUnknownSection = false;  // its lines are passed over; its heading was named
    bool wrc = false;
    for (std::size_t lineNumber = 1; !text.empty(); ++lineNumber) {
        const std::size_t end = text.find_first_of("\r\n");
        std::string_view line = text.substr(0, end);
        const std::size_t next = end == std::string_view::npos          ? text.size()
                                 : text.substr(end).starts_with("\r\n") ? end + 2
                                                                        : end + 1;
        text.remove_prefix(next);
        line = platform::Trimmed(line.substr(0, line.find_first_of(";#")));
        if (line.empty()) {
            continue;
        }
        std::string why;
        if (line.front() == '[') {
            const std::string_view name = platform::Trimmed(line.substr(1, line.find(']') - 1));
            wrc = platform::EqualIgnoringAsciiCase(name, "wrc");
            inUnknownSection = !wrc && !platform::EqualIgnoringAsciiCase(name, "dr2");
            section = wrc ? &settings.wrc : inUnknownSection ? nullptr : &settings.dr2;
            if (!line.ends_with(']')) {
                why = "a section's name must end with ]";
            } else if (inUnknownSection) {
                why = "unknown section [" + std::string(name) + "]; the sections are [dr2] and [wrc]";
            }
        } else if (inUnknownSection) {
            continue;
        } else if (const std::size_t equals = line.find('='); equals == std::string_view::npos) {
            why = "not a setting (key=value)";
        } else if (section == nullptr) {
            why = "\"" + std::string(platform::Trimmed(line.substr(0, equals))) +
                  "\" stands in no section [dr2] or [wrc]";
        } else {
            why = Apply(*section, wrc, platform::Trimmed(line.substr(0, equals)),
                        platform::Trimmed(line.substr(equals + 1)));
        }
        if (!why.empty()) {
            const std::string problem = std::string(kSettingsFile) + " line " + std::to_string(lineNumber) + ": " + why;
            settings.problems.push_back(problem);
            if (section != nullptr && section->problem.empty()) {
                section->problem = problem;
            }
        }
    }
    return settings;
}

TelemetrySettings ReadTelemetrySettings(platform::Files& files, platform::UserFolders& folders) {
    TelemetrySettings settings;
    if (const std::string folder = folders.SettingsFolder(); !folder.empty()) {
        const std::string path = platform::JoinPath(folder, kSettingsFile);
        if (files.FileExists(path)) {
            if (const std::optional<std::string> text = files.ReadWholeFile(path)) {
                settings = ParseTelemetrySettings(*text);
            } else {
                settings.problems.push_back(std::string(kSettingsFile) + ": cannot be read");
            }
        }
    }
    TitleSettings& wrc = settings.wrc;
    if (!wrc.structureSet) {
        wrc.structureFolder = DefaultWrcFolder(files, folders);
    }
    if (!wrc.portSet && wrc.Read() && !wrc.structureFolder.empty()) {
        const std::optional<std::string> config =
            files.ReadWholeFile(platform::JoinPath(wrc.structureFolder, "config.json"));
        if (const std::optional<WrcConfig> read = config ? ParseWrcConfig(*config) : std::nullopt; read && read->port) {
            wrc.port = *read->port;
        }
    }
    return settings;
}

}  // namespace kerbcall
