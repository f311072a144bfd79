#pragma once

#include "platform/udp.h"

namespace kerbcall::posix {

// UDP through POSIX sockets.
class PosixUdp : public platform::Udp {
public:
    std::unique_ptr<platform::UdpSocket> Open(std::string_view address, std::uint16_t port,
                                              std::string& problem) override;
};

}  // namespace kerbcall::posix
