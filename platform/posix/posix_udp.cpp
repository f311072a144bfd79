#include "platform/posix/posix_udp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kerbcall::posix {

namespace {

class PosixUdpSocket final : public platform::UdpSocket {
public:
    explicit PosixUdpSocket(int socket) : socket_(socket) {}
    ~PosixUdpSocket() override { ::close(socket_); }
    PosixUdpSocket(const PosixUdpSocket&) = delete;
    PosixUdpSocket& operator=(const PosixUdpSocket&) = delete;

    std::optional<std::size_t> Receive(std::span<std::byte> buffer) override {
        // MSG_TRUNC: the datagram's whole length, also when it did not fit.
        const ssize_t length = ::recv(socket_, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
        return length < 0 ? std::nullopt : std::optional(static_cast<std::size_t>(length));
    }

private:
    int socket_;
};

}  // namespace

std::unique_ptr<platform::UdpSocket> PosixUdp::Open(std::string_view address, std::uint16_t port,
                                                    std::string& problem) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (::inet_pton(AF_INET, std::string(address).c_str(), &local.sin_addr) != 1) {
        problem = "not an IPv4 address";
        return nullptr;
    }
    const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        problem = std::strerror(errno);
        return nullptr;
    }
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0) {
        problem = std::strerror(errno);
        ::close(socket);
        return nullptr;
    }
    return std::make_unique<PosixUdpSocket>(socket);
}

}  // namespace kerbcall::posix
