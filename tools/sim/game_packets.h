#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "simlink/telemetry_packets.h"
#include "tools/sim/sim_motion.h"

namespace kerbcall::sim {

// What a packet tells of the car at one moment.
struct CarState {
    double seconds = 0.0;   // since the stand-in started
    float distance = 0.0F;  // along the stage, in metres
    float speed = 0.0F;     // metres a second
    double stageLength = 0.0;
    std::uint64_t count = 0;  // packets sent before this one
};

using Packet = std::vector<std::byte>;

// DiRT Rally 2.0's motion packet with extradata 3 (kDr2PacketSize bytes):
// float 0 the total time, 1 the lap time, 2 the distance along the stage,
// 7 the speed, the rest 0.
Packet Dr2Packet(const CarState& car);

// EA SPORTS WRC's packets as the stand-in's structure describes them: the
// header channels, then the packet's, packed little-endian.
inline constexpr std::string_view kWrcUpdate = "session_update";
inline constexpr std::string_view kWrcStart = "session_start";
Packet WrcPacket(std::string_view packet, const CarState& car);
// Where a channel lies in a packet, and its type's size.
std::pair<std::size_t, std::size_t> WrcChannelBytes(std::string_view packet, std::string_view channel);

// The title's packets of one moment spoiled every way a reader must pass
// over, those that hold a distance at `distance`: a byte short, a byte too
// long, empty, with a distance that is NaN or infinite, and the other
// title's packet.
std::vector<Packet> SpoiledPackets(Title title, CarState car, float distance);

// The structure folder that describes these packets, as the game writes its
// own: relative paths (config.json naming `port`, readme/channels.json,
// readme/udp/wrc.json) and their texts.
std::vector<std::pair<std::string, std::string>> WrcStructureFiles(int port);

}  // namespace kerbcall::sim
