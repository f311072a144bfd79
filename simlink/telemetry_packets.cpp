#include "simlink/telemetry_packets.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace kerbcall {

static_assert(std::endian::native == std::endian::little, "the games' little-endian fields are read as they lie");

namespace {

template <typename Number>
Number ReadAt(std::span<const std::byte> packet, std::size_t offset) {
    std::array<std::byte, sizeof(Number)> bytes{};
    std::memcpy(bytes.data(), packet.subspan(offset, sizeof(Number)).data(), sizeof(Number));
    return std::bit_cast<Number>(bytes);
}

DecodedPacket FromDistance(double distance) {
    // Beyond a float's range the distance would not be one the notes can hold.
    if (!std::isfinite(distance) || std::fabs(distance) > std::numeric_limits<float>::max()) {
        return {};
    }
    return {PacketKind::kDistance, static_cast<float>(distance)};
}

}  // namespace

DecodedPacket DecodeDr2Packet(std::span<const std::byte> packet) {
    if (packet.size() != kDr2PacketSize) {
        return {};
    }
    return FromDistance(ReadAt<float>(packet, kDr2DistanceOffset));
}

DecodedPacket DecodeWrcPacket(const WrcPacketLayout& layout, std::span<const std::byte> packet) {
    // Other kinds of packet, of other sizes, come to the same port: the code
    // tells them before the size does.
    const bool holdsFourcc =
        layout.fourccOffset && *layout.fourccOffset <= packet.size() && packet.size() - *layout.fourccOffset >= 4;
    if (holdsFourcc && std::memcmp(packet.subspan(*layout.fourccOffset, 4).data(), kWrcSessionUpdateFourcc, 4) != 0) {
        return {PacketKind::kOther, 0.0F};
    }
    const std::size_t distanceSize = layout.distanceIsFloat64 ? sizeof(double) : sizeof(float);
    if (packet.size() != layout.size || (layout.fourccOffset && !holdsFourcc) ||
        layout.distanceOffset > packet.size() || packet.size() - layout.distanceOffset < distanceSize) {
        return {};
    }
    return FromDistance(layout.distanceIsFloat64 ? ReadAt<double>(packet, layout.distanceOffset)
                                                 : ReadAt<float>(packet, layout.distanceOffset));
}

}  // namespace kerbcall
