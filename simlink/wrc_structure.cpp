#include "simlink/wrc_structure.h"

#include <map>
#include <nlohmann/json.hpp>

#include "platform/path_join.h"

namespace kerbcall {

namespace {

using Json = nlohmann::json;

constexpr char kDistanceChannel[] = "stage_current_distance";
constexpr char kFourccChannel[] = "packet_4cc";
constexpr char kSessionUpdate[] = "session_update";

// Parsed without exceptions: a text that is no JSON is a discarded value.
Json Parse(std::string_view text) { return Json::parse(text.begin(), text.end(), nullptr, false); }

// The member `key` of an object, or null; never throws.
const Json& Member(const Json& object, const char* key) {
    static const Json kNone;
    if (!object.is_object()) {
        return kNone;
    }
    const auto found = object.find(key);
    return found == object.end() ? kNone : *found;
}

std::string Text(const Json& value) { return value.is_string() ? value.get<std::string>() : std::string(); }

std::size_t TypeSize(const std::string& type) {
    static const std::map<std::string, std::size_t, std::less<>> kSizes = {
        {"boolean", 1}, {"uint8", 1},  {"int8", 1},  {"uint16", 2},  {"int16", 2},   {"uint32", 4},
        {"int32", 4},   {"uint64", 8}, {"int64", 8}, {"float32", 4}, {"float64", 8}, {"fourcc", 4},
    };
    const auto found = kSizes.find(type);
    return found == kSizes.end() ? 0 : found->second;
}

const Json& SessionUpdatePacket(const Json& structure) {
    static const Json kNone;
    const Json& packets = Member(structure, "packets");
    if (packets.is_array()) {
        for (const Json& packet : packets) {
            if (Text(Member(packet, "id")) == kSessionUpdate) {
                return packet;
            }
        }
    }
    return kNone;
}

WrcLayoutResult Problem(std::string why, const char* file) { return {std::nullopt, std::move(why), file}; }

}  // namespace

std::optional<WrcConfig> ParseWrcConfig(std::string_view configJson) {
    const Json config = Parse(configJson);
    const Json& packets = Member(Member(config, "udp"), "packets");
    if (!packets.is_array()) {
        return std::nullopt;
    }
    for (const Json& entry : packets) {
        if (Text(Member(entry, "packet")) != kSessionUpdate) {
            continue;
        }
        WrcConfig found;
        if (const std::string structure = Text(Member(entry, "structure")); !structure.empty()) {
            found.structure = structure;
        }
        const Json& port = Member(entry, "port");
        if (port.is_number_integer() && port.get<std::int64_t>() >= 1 && port.get<std::int64_t>() <= 65535) {
            found.port = static_cast<std::uint16_t>(port.get<std::int64_t>());
        }
        return found;
    }
    return std::nullopt;
}

WrcLayoutResult ParseWrcLayout(std::string_view channelsJson, std::string_view structureJson) {
    const Json channels = Parse(channelsJson);
    if (channels.is_discarded() || !Member(channels, "channels").is_array()) {
        return Problem("not a list of channels", "channels");
    }
    std::map<std::string, std::string, std::less<>> types;
    for (const Json& channel : Member(channels, "channels")) {
        types.emplace(Text(Member(channel, "id")), Text(Member(channel, "type")));
    }
    const Json structure = Parse(structureJson);
    if (structure.is_discarded()) {
        return Problem("not JSON", "structure");
    }
    const Json& packet = SessionUpdatePacket(structure);
    if (packet.is_null()) {
        return Problem("no session_update packet", "structure");
    }
    WrcPacketLayout layout;
    bool distanceFound = false;
    const Json& header = Member(Member(packet, "header"), "channels");
    const Json& body = Member(packet, "channels");
    for (const bool inHeader : {true, false}) {
        const Json& list = inHeader ? header : body;
        if (!list.is_array()) {
            continue;
        }
        for (const Json& entry : list) {
            const std::string id = Text(entry);
            const auto type = types.find(id);
            if (type == types.end()) {
                return Problem("the session_update channel \"" + id + "\" is not in channels.json", "structure");
            }
            const std::size_t size = TypeSize(type->second);
            if (size == 0) {
                return Problem("the channel \"" + id + "\" has the unknown type \"" + type->second + "\"", "channels");
            }
            if (id == kFourccChannel && inHeader && type->second == "fourcc") {
                layout.fourccOffset = layout.size;
            } else if (id == kDistanceChannel) {
                if (type->second != "float32" && type->second != "float64") {
                    return Problem("stage_current_distance is of type \"" + type->second + "\", not a float",
                                   "channels");
                }
                distanceFound = true;
                layout.distanceOffset = layout.size;
                layout.distanceIsFloat64 = type->second == "float64";
            }
            layout.size += size;
        }
    }
    if (!distanceFound) {
        return Problem("no channel stage_current_distance in the session_update packet", "structure");
    }
    return {layout, {}, {}};
}

WrcStructure ReadWrcStructure(platform::Files& files, std::string_view folder) {
    WrcStructure result;
    const std::string configPath = platform::JoinPath(folder, "config.json");
    WrcConfig config;
    if (const std::optional<std::string> text = files.ReadWholeFile(configPath)) {
        if (std::optional<WrcConfig> read = ParseWrcConfig(*text)) {
            config = std::move(*read);
        }
    }
    result.port = config.port;
    const std::string readme = platform::JoinPath(folder, "readme");
    const std::string channelsPath = platform::JoinPath(readme, "channels.json");
    // The name comes from a file: it may name a file of the folder only.
    if (config.structure.find_first_of("/\\") != std::string::npos || config.structure.starts_with('.')) {
        result.problem = configPath + ": the structure name \"" + config.structure + "\" is no file name";
        return result;
    }
    const std::string structurePath = platform::JoinPath(platform::JoinPath(readme, "udp"), config.structure + ".json");
    const std::optional<std::string> channels = files.ReadWholeFile(channelsPath);
    const std::optional<std::string> structure = files.ReadWholeFile(structurePath);
    if (!channels || !structure) {
        result.problem = (channels ? structurePath : channelsPath) + ": cannot be read";
        return result;
    }
    WrcLayoutResult layout = ParseWrcLayout(*channels, *structure);
    result.layout = layout.layout;
    if (!layout.layout) {
        result.problem =
            (layout.problemFile == std::string("channels") ? channelsPath : structurePath) + ": " + layout.problem;
    }
    return result;
}

std::string DefaultWrcFolder(platform::Files& files, platform::UserFolders& folders) {
    std::string first;
    for (const std::string& documents : folders.GameDocumentsFolders(kWrcSteamAppId)) {
        std::string folder =
            platform::JoinPath(platform::JoinPath(platform::JoinPath(documents, "My Games"), "WRC"), "telemetry");
        if (files.FileExists(platform::JoinPath(folder, "config.json")) ||
            files.FileExists(platform::JoinPath(folder, "readme"))) {
            return folder;
        }
        if (first.empty()) {
            first = folder;
        }
    }
    return first;
}

}  // namespace kerbcall
