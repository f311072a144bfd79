#pragma once

#include <cstddef>
#include <span>

#include "simlink/wrc_structure.h"

namespace kerbcall {

// dr2's motion packet with extradata="3": 66 little-endian float32, the
// distance along the stage the third.
inline constexpr std::size_t kDr2PacketSize = 264;
inline constexpr std::size_t kDr2DistanceOffset = 8;

// What one datagram is to the source.
enum class PacketKind {
    kDistance,   // a packet of the title with a finite distance
    kMalformed,  // wrong size, or a distance that is not a finite number
    kOther,      // a well-formed packet of another kind (wrc's other 4cc)
};

struct DecodedPacket {
    PacketKind kind = PacketKind::kMalformed;
    float distance = 0.0F;  // for kDistance
};

// Nothing is read outside `packet`; any byte pattern is safe.
DecodedPacket DecodeDr2Packet(std::span<const std::byte> packet);
DecodedPacket DecodeWrcPacket(const WrcPacketLayout& layout, std::span<const std::byte> packet);

}  // namespace kerbcall
