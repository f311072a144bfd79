#include "tools/sim/telemetry_sender.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "platform/safe_write.h"

namespace kerbcall::sim {

namespace {

// The game sends a session's start once; the stand-in sends it once a second, so that a reader that comes late sees
// one too.
constexpr std::uint64_t kPacketsBetweenStarts = 100;

}  // namespace

TelemetrySender::TelemetrySender(const SimOptions& options) : options_(options), structure_(options.structure) {}

TelemetrySender::~TelemetrySender() {
    if (socket_ >= 0) {
        ::close(socket_);
    }
    if (madeStructure_) {
        std::error_code ignored;
        std::filesystem::remove_all(structure_, ignored);
    }
}

std::string TelemetrySender::Open() {
    socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (socket_ < 0) {
        return platform::SystemError("cannot open a UDP socket");
    }
    if (options_.udp != Title::kWrc) {
        return {};
    }
    if (structure_.empty()) {
        std::string folder = (std::filesystem::temp_directory_path() / "kerbcall-sim-wrc-XXXXXX").string();
        if (::mkdtemp(folder.data()) == nullptr) {
            return platform::SystemError("cannot make a structure folder in " + folder);
        }
        structure_ = folder;
        madeStructure_ = true;
    }
    for (const auto& [name, text] : WrcStructureFiles(options_.port)) {
        const std::filesystem::path file = structure_ / name;
        if (std::string problem = platform::WriteIntoFolder(file.parent_path(), file.filename().string(), text);
            !problem.empty()) {
            return problem;
        }
    }
    return {};
}

void TelemetrySender::Send(const CarState& car) {
    if (options_.udp == Title::kDr2) {
        SendPacket(Dr2Packet(car));
    } else {
        if (car.count % kPacketsBetweenStarts == 0) {
            SendPacket(WrcPacket(kWrcStart, car));
        }
        SendPacket(WrcPacket(kWrcUpdate, car));
    }
    // After the good packet, so that the newest packet is a spoiled one.
    if (options_.spoiled) {
        for (const Packet& spoiled : SpoiledPackets(*options_.udp, car, *options_.spoiled)) {
            SendPacket(spoiled);
        }
    }
}

// Nobody listening is no fault: the game sends all the same.
void TelemetrySender::SendPacket(const Packet& packet) const {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(options_.port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(socket_, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&to),  // NOLINT: the C API
             sizeof to);
}

std::string TelemetrySender::Description() const {
    const std::string where = " packets to 127.0.0.1:" + std::to_string(options_.port);
    return options_.udp == Title::kDr2 ? "dr2" + where : "wrc" + where + ", structure folder " + structure_.string();
}

}  // namespace kerbcall::sim
