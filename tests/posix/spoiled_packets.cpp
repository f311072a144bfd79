#include "tests/posix/spoiled_packets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cmath>

#include "tools/sim/game_packets.h"

namespace kerbcall::posix::testing {

namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// The title's packet at `distance`, with the distance's bytes replaced by `stored` as its type holds it.
sim::Packet WithDistance(const std::string& title, float distance, double stored) {
    const sim::CarState car{.seconds = 1.0, .distance = distance, .speed = 10.0F, .stageLength = 1e4, .count = 1};
    if (title == "dr2") {
        sim::Packet packet = sim::Dr2Packet(car);
        const auto bytes = std::bit_cast<std::array<std::byte, 4>>(static_cast<float>(stored));
        std::ranges::copy(bytes, packet.begin() + kDr2DistanceOffset);
        return packet;
    }
    sim::Packet packet = sim::WrcPacket(sim::kWrcUpdate, car);
    const auto [offset, size] = sim::WrcChannelBytes(sim::kWrcUpdate, "stage_current_distance");
    const auto bytes = std::bit_cast<std::array<std::byte, 8>>(stored);
    const auto single = std::bit_cast<std::array<std::byte, 4>>(static_cast<float>(stored));
    std::copy_n(size == 8 ? bytes.begin() : single.begin(), size, packet.begin() + static_cast<std::ptrdiff_t>(offset));
    return packet;
}

}  // namespace

int FreeUdpPort() {
    const int probe = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    ::bind(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address);  // NOLINT: the C API
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);        // NOLINT: the C API
    ::close(probe);
    return ntohs(address.sin_port);
}

SpoiledPackets::SpoiledPackets(const std::string& title, int port, float distance) {
    const sim::Packet good = WithDistance(title, distance, distance);
    std::vector<sim::Packet> spoiled = {
        sim::Packet(good.begin(), good.end() - 1),
        sim::Packet(good.size() + 1, std::byte{0}),
        {},
        WithDistance(title, distance, std::nan("")),
        WithDistance(title, distance, HUGE_VAL),
        WithDistance(title, distance, -HUGE_VAL),
        WithDistance(title == "dr2" ? "wrc" : "dr2", distance, distance),
    };
    std::copy(good.begin(), good.end(), spoiled[1].begin());
    sender_ = std::thread([this, spoiled = std::move(spoiled), port] {
        const int out = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const sockaddr_in to = Loopback(port);
        for (std::size_t i = 0; !stop_; ++i) {
            const sim::Packet& packet = spoiled[i % spoiled.size()];
            ::sendto(out, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&to),  // NOLINT: the C API
                     sizeof to);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::close(out);
    });
}

SpoiledPackets::~SpoiledPackets() {
    stop_ = true;
    sender_.join();
}

}  // namespace kerbcall::posix::testing
