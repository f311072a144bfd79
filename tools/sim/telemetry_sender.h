#pragma once

#include <filesystem>
#include <string>

#include "tools/sim/game_packets.h"
#include "tools/sim/sim_motion.h"

namespace kerbcall::sim {

// Sends a title's packets to 127.0.0.1 on the port asked for; for wrc, the
// structure folder that describes them is written first.
class TelemetrySender {
public:
    explicit TelemetrySender(const SimOptions& options);
    ~TelemetrySender();
    TelemetrySender(const TelemetrySender&) = delete;
    TelemetrySender& operator=(const TelemetrySender&) = delete;

    // Why the packets cannot be sent; empty when they can.
    std::string Open();
    // The packets of one moment.
    void Send(const CarState& car);
    // Where the packets go, and the structure folder.
    std::string Description() const;

private:
    void SendPacket(const Packet& packet) const;

    const SimOptions& options_;
    int socket_ = -1;
    std::filesystem::path structure_;
    bool madeStructure_ = false;  // a folder of its own, removed at the end
};

}  // namespace kerbcall::sim
