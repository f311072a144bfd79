#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kerbcall::platform {

// One UDP socket bound to a local address, read without waiting. Destroying
// it closes it.
class UdpSocket {
public:
    virtual ~UdpSocket() = default;
    // Takes the oldest datagram waiting into `buffer` and returns its length:
    // more than buffer.size() when it did not fit (then only buffer.size()
    // bytes of it are delivered). nullopt when none waits or the socket
    // failed. Never waits, never throws.
    virtual std::optional<std::size_t> Receive(std::span<std::byte> buffer) = 0;
};

class Udp {
public:
    virtual ~Udp() = default;
    // A socket bound to `address` (IPv4, dotted) and `port`, receiving
    // without waiting; nullptr with the reason in `problem` when it cannot be
    // opened (the port taken, an address that is not this machine's).
    virtual std::unique_ptr<UdpSocket> Open(std::string_view address, std::uint16_t port, std::string& problem) = 0;
};

}  // namespace kerbcall::platform
