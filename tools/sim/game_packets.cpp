#include "tools/sim/game_packets.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace kerbcall::sim {

namespace {

using Json = nlohmann::ordered_json;

struct ChannelType {
    std::string_view name;
    std::size_t size;
};

constexpr std::array kChannelTypes = {
    ChannelType{"boolean", 1}, ChannelType{"uint8", 1},   ChannelType{"int8", 1},    ChannelType{"uint16", 2},
    ChannelType{"int16", 2},   ChannelType{"uint32", 4},  ChannelType{"int32", 4},   ChannelType{"uint64", 8},
    ChannelType{"int64", 8},   ChannelType{"float32", 4}, ChannelType{"float64", 8}, ChannelType{"fourcc", 4},
};

struct Channel {
    std::string_view id;
    std::string_view type;
    std::string_view units;
    std::string_view description;
    double (*value)(const CarState&);
};

double Zero(const CarState& /*car*/) { return 0.0; }
double Seconds(const CarState& car) { return car.seconds; }
double Distance(const CarState& car) { return car.distance; }
double Speed(const CarState& car) { return car.speed; }
double StageLength(const CarState& car) { return car.stageLength; }
double Count(const CarState& car) { return static_cast<double>(car.count); }
double One(const CarState& /*car*/) { return 1.0; }

// Every channel the packets use; the distance lies among the others, as in the game's own.
constexpr std::array kChannels = {
    Channel{"packet_4cc", "fourcc", "", "The packet's kind, four characters", Zero},
    Channel{"packet_uid", "uint64", "", "Counts the packets sent", Count},
    Channel{"game_total_time", "float32", "s", "Time since the game started", Seconds},
    Channel{"game_delta_time", "float32", "s", "Time since the last frame", Zero},
    Channel{"game_frame_count", "uint64", "", "Frames since the game started", Count},
    Channel{"shiftlights_fraction", "float32", "", "How far the shift lights are lit", Zero},
    Channel{"shiftlights_rpm_valid", "boolean", "", "Whether the shift light revolutions hold", One},
    Channel{"vehicle_gear_index", "uint8", "", "The gear engaged", One},
    Channel{"vehicle_speed", "float32", "m/s", "The car's speed", Speed},
    Channel{"vehicle_engine_rpm_current", "float32", "rpm", "The engine's revolutions", Zero},
    Channel{"vehicle_steering", "float32", "", "Steering, -1 left to 1 right", Zero},
    Channel{"stage_current_time", "float64", "s", "Time since the stage started", Seconds},
    Channel{"stage_current_distance", "float64", "m", "Distance driven along the stage", Distance},
    Channel{"stage_length", "float64", "m", "The stage's length", StageLength},
    Channel{"stage_previous_split_index", "int16", "", "The last split passed; -1 before the first", Zero},
    Channel{"vehicle_cluster_abs", "boolean", "", "Whether the ABS light is lit", Zero},
    Channel{"location_id", "uint16", "", "The rally's location", One},
    Channel{"route_id", "uint16", "", "The stage's route", One},
    Channel{"game_mode", "int8", "", "The game's mode", Zero},
};

struct PacketKind {
    std::string_view id;
    std::string_view fourcc;
    std::vector<std::string_view> channels;
};

const std::vector<std::string_view> kHeader = {"packet_4cc", "packet_uid"};

const std::vector<PacketKind>& PacketKinds() {
    static const std::vector<PacketKind> kinds = {
        {kWrcStart, "sess", {"game_mode", "location_id", "route_id", "stage_length"}},
        {kWrcUpdate,
         kWrcSessionUpdateFourcc,
         {"game_total_time", "game_delta_time", "game_frame_count", "shiftlights_fraction", "shiftlights_rpm_valid",
          "vehicle_gear_index", "vehicle_speed", "vehicle_engine_rpm_current", "vehicle_steering", "stage_current_time",
          "stage_current_distance", "stage_length", "stage_previous_split_index", "vehicle_cluster_abs"}},
    };
    return kinds;
}

const PacketKind& KindOf(std::string_view packet) {
    const auto& kinds = PacketKinds();
    const auto kind = std::ranges::find(kinds, packet, &PacketKind::id);
    if (kind == kinds.end()) {
        throw std::invalid_argument("no such packet");
    }
    return *kind;
}

const Channel& ChannelOf(std::string_view id) { return *std::ranges::find(kChannels, id, &Channel::id); }

std::size_t SizeOf(std::string_view type) { return std::ranges::find(kChannelTypes, type, &ChannelType::name)->size; }

template <typename Number>
void Append(Packet& packet, Number value) {
    const auto bits = std::bit_cast<std::array<std::byte, sizeof(Number)>>(value);
    if constexpr (std::endian::native == std::endian::little) {
        packet.insert(packet.end(), bits.begin(), bits.end());
    } else {
        packet.insert(packet.end(), bits.rbegin(), bits.rend());
    }
}

void AppendChannel(Packet& packet, const Channel& channel, const PacketKind& kind, const CarState& car) {
    const double value = channel.value(car);
    const std::string_view type = channel.type;
    if (type == "fourcc") {
        for (const char letter : kind.fourcc) {
            packet.push_back(static_cast<std::byte>(letter));
        }
    } else if (type == "float32") {
        Append(packet, static_cast<float>(value));
    } else if (type == "float64") {
        Append(packet, value);
    } else {
        // Whole numbers, signed ones in two's complement, lowest byte first.
        const bool isSigned = type.starts_with("int");
        const auto bits =
            isSigned ? static_cast<std::uint64_t>(static_cast<std::int64_t>(value)) : static_cast<std::uint64_t>(value);
        for (std::size_t i = 0; i < SizeOf(type); ++i) {
            packet.push_back(static_cast<std::byte>(bits >> (8 * i)));
        }
    }
}

std::vector<std::string_view> ChannelsOf(const PacketKind& kind) {
    std::vector<std::string_view> channels = kHeader;
    channels.insert(channels.end(), kind.channels.begin(), kind.channels.end());
    return channels;
}

std::string Text(const Json& json) { return json.dump(4) + "\n"; }

}  // namespace

Packet Dr2Packet(const CarState& car) {
    std::array<float, kDr2PacketSize / 4> floats{};
    floats[0] = static_cast<float>(car.seconds);
    floats[1] = static_cast<float>(car.seconds);
    floats[kDr2DistanceOffset / 4] = car.distance;
    floats[7] = car.speed;
    Packet packet;
    for (const float value : floats) {
        Append(packet, value);
    }
    return packet;
}

Packet WrcPacket(std::string_view packet, const CarState& car) {
    const PacketKind& kind = KindOf(packet);
    Packet bytes;
    for (const std::string_view channel : ChannelsOf(kind)) {
        AppendChannel(bytes, ChannelOf(channel), kind, car);
    }
    return bytes;
}

std::pair<std::size_t, std::size_t> WrcChannelBytes(std::string_view packet, std::string_view channel) {
    std::size_t offset = 0;
    for (const std::string_view id : ChannelsOf(KindOf(packet))) {
        const std::size_t size = SizeOf(ChannelOf(id).type);
        if (id == channel) {
            return {offset, size};
        }
        offset += size;
    }
    throw std::invalid_argument("no such channel");
}

std::vector<Packet> SpoiledPackets(Title title, CarState car, float distance) {
    const auto packet = [&car](Title of, float at) {
        car.distance = at;
        return of == Title::kDr2 ? Dr2Packet(car) : WrcPacket(kWrcUpdate, car);
    };
    Packet shorter = packet(title, distance);
    shorter.pop_back();
    Packet longer = packet(title, distance);
    longer.push_back(std::byte{0});
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    return {shorter,
            longer,
            {},
            packet(title, std::numeric_limits<float>::quiet_NaN()),
            packet(title, kInfinity),
            packet(title, -kInfinity),
            packet(title == Title::kDr2 ? Title::kWrc : Title::kDr2, distance)};
}

std::vector<std::pair<std::string, std::string>> WrcStructureFiles(int port) {
    Json entries = Json::array();
    Json packets = Json::array();
    for (const PacketKind& kind : PacketKinds()) {
        entries.push_back({{"structure", "wrc"},
                           {"packet", kind.id},
                           {"ip", "127.0.0.1"},
                           {"port", port},
                           {"frequencyHz", -1},
                           {"bEnabled", true}});
        packets.push_back({{"id", kind.id}, {"header", {{"channels", kHeader}}}, {"channels", kind.channels}});
    }
    Json channels = Json::array();
    for (const Channel& channel : kChannels) {
        channels.push_back({{"id", channel.id},
                            {"type", channel.type},
                            {"units", channel.units},
                            {"description", channel.description}});
    }
    const Json versions = {{"schema", 1}, {"data", 1}};
    return {
        {"config.json", Text({{"udp", {{"packets", entries}}}})},
        {"readme/channels.json", Text({{"versions", versions}, {"channels", channels}})},
        {"readme/udp/wrc.json", Text({{"versions", versions}, {"id", "wrc"}, {"packets", packets}})},
    };
}

}  // namespace kerbcall::sim
