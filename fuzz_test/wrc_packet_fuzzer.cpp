// Any datagram against any layout, however ill-matched (its first four
// bytes choose it): nothing is read outside the datagram, a distance comes
// only from a packet of the layout's size, finite and within a float, and
// another kind of packet only by its four-character code.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "simlink/telemetry_packets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    kerbcall::WrcPacketLayout layout;
    layout.size = data[0];
    layout.distanceOffset = data[1];
    layout.distanceIsFloat64 = (data[2] & 1) != 0;
    if ((data[2] & 2) != 0) {
        layout.fourccOffset = data[3];
    }
    const std::vector<std::byte> datagram(reinterpret_cast<const std::byte*>(data) + 4,
                                          reinterpret_cast<const std::byte*>(data) + size);
    const kerbcall::DecodedPacket decoded = kerbcall::DecodeWrcPacket(layout, datagram);
    if ((decoded.kind == kerbcall::PacketKind::kDistance && datagram.size() != layout.size) ||
        (decoded.kind == kerbcall::PacketKind::kOther && !layout.fourccOffset)) {
        std::abort();
    }
    if (decoded.kind == kerbcall::PacketKind::kDistance && !std::isfinite(decoded.distance)) {
        std::abort();
    }
    return 0;
}
