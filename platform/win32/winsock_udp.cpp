#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/win32/win32_platform.h"

namespace kerbcall::platform::win32 {

namespace {

// The system's words for a Winsock error.
std::string ErrorText(int error) {
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        static_cast<DWORD>(error), 0, text, sizeof(text), nullptr);
    std::string words(text, length);
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == '.')) {
        words.pop_back();
    }
    return words.empty() ? "Winsock error " + std::to_string(error) : words;
}

class WinsockSocket final : public UdpSocket {
public:
    explicit WinsockSocket(SOCKET socket) : socket_(socket) {}
    ~WinsockSocket() override { closesocket(socket_); }
    WinsockSocket(const WinsockSocket&) = delete;
    WinsockSocket& operator=(const WinsockSocket&) = delete;

    std::optional<std::size_t> Receive(std::span<std::byte> buffer) override {
        const int length = recv(socket_, reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0);
        if (length != SOCKET_ERROR) {
            return static_cast<std::size_t>(length);
        }
        // Winsock drops the rest of a datagram that did not fit and tells
        // only that it was longer.
        return WSAGetLastError() == WSAEMSGSIZE ? std::optional(buffer.size() + 1) : std::nullopt;
    }

private:
    SOCKET socket_;
};

}  // namespace

Win32Udp::~Win32Udp() {
    if (started_) {
        WSACleanup();
    }
}

std::unique_ptr<UdpSocket> Win32Udp::Open(std::string_view address, std::uint16_t port, std::string& problem) {
    if (!started_) {
        WSADATA data{};
        if (const int error = WSAStartup(MAKEWORD(2, 2), &data); error != 0) {
            problem = ErrorText(error);
            return nullptr;
        }
        started_ = true;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (inet_pton(AF_INET, std::string(address).c_str(), &local.sin_addr) != 1) {
        problem = "not an IPv4 address";
        return nullptr;
    }
    const SOCKET socket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (socket == INVALID_SOCKET) {
        problem = ErrorText(WSAGetLastError());
        return nullptr;
    }
    u_long nonBlocking = 1;
    // Without it a second program could take datagrams sent to the port.
    BOOL exclusive = TRUE;
    if (setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
                   sizeof(exclusive)) != 0 ||
        ioctlsocket(socket, static_cast<long>(FIONBIO), &nonBlocking) != 0 ||
        bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0) {
        problem = ErrorText(WSAGetLastError());
        closesocket(socket);
        return nullptr;
    }
    return std::make_unique<WinsockSocket>(socket);
}

}  // namespace kerbcall::platform::win32
