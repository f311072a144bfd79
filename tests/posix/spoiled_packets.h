#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace kerbcall::posix::testing {

// A UDP port on 127.0.0.1 that nothing listens on at the moment.
int FreeUdpPort();

// Sends the title's ("dr2" or "wrc") packets spoiled, each way in turn, to 127.0.0.1:`port` until destroyed: short,
// long, empty, with a distance that is NaN or infinite, and the other title's; those that hold a distance where a
// good one does carry `distance`.
class SpoiledPackets {
public:
    SpoiledPackets(const std::string& title, int port, float distance);
    ~SpoiledPackets();
    SpoiledPackets(const SpoiledPackets&) = delete;
    SpoiledPackets& operator=(const SpoiledPackets&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread sender_;
};

}  // namespace kerbcall::posix::testing
