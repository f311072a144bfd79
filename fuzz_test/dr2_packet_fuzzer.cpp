// Any datagram as dr2's motion packet: a distance only from a whole packet
// whose third float is a finite number, and then exactly that float.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "simlink/telemetry_packets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of the datagram's own length, so that a read past it is caught.
    const std::vector<std::byte> datagram(reinterpret_cast<const std::byte*>(data),
                                          reinterpret_cast<const std::byte*>(data) + size);
    const kerbcall::DecodedPacket decoded = kerbcall::DecodeDr2Packet(datagram);
    float third = 0.0F;
    if (size == kerbcall::kDr2PacketSize) {
        std::memcpy(&third, data + kerbcall::kDr2DistanceOffset, sizeof(third));
    }
    const bool gives = size == kerbcall::kDr2PacketSize && std::isfinite(third);
    if ((decoded.kind == kerbcall::PacketKind::kDistance) != gives || (gives && decoded.distance != third) ||
        decoded.kind == kerbcall::PacketKind::kOther) {
        std::abort();
    }
    return 0;
}
