#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kerbcall {

enum class DistanceRead {
    kDistance,    // Distance() holds this pass's distance
    kNoDistance,  // none this pass: a failed read, no telemetry for a while
    kEnded,       // the title's process has gone; what the source held is closed
};

// What a telemetry source has received so far.
struct PacketCounts {
    std::uint64_t distances = 0;  // packets that gave a distance
    std::uint64_t malformed = 0;  // dropped: wrong size or shape, no finite distance
    std::uint64_t other = 0;      // well-formed packets of another kind, passed over
};

// Where the car's distance comes from while a title runs: the simulator's
// memory, or a game's telemetry.
class DistanceSource {
public:
    virtual ~DistanceSource() = default;
    // One pass's read. A distance may be a NaN or an infinity (memory reads
    // give what they find); what it decides is the loop's affair.
    virtual DistanceRead Read() = 0;
    // The distance of the last kDistance read; 0 before the first.
    virtual float Distance() const = 0;

    // False while the source has no distance to give: nothing received yet,
    // or nothing for a while. A memory read always has one.
    virtual bool Fresh() const { return true; }
    // The UDP port read, for telemetry sources.
    virtual std::optional<std::uint16_t> Port() const { return std::nullopt; }
    virtual PacketCounts Counts() const { return {}; }
    // Why the source gives no distance for the time being (the port cannot
    // be opened, the game's structure files name no distance); empty while
    // nothing stands in the way.
    virtual std::string Problem() const { return {}; }
    // True when the last read found more waiting than a game sends between
    // two samples (another sender floods its port): read again soon, before
    // the system's queue, full, drops the game's newest packets.
    virtual bool Crowded() const { return false; }
};

}  // namespace kerbcall
