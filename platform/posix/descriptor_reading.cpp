#include "platform/posix/descriptor_reading.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace kerbcall::posix {

std::optional<std::string> ReadToEnd(int fd, std::size_t limit) {
    constexpr std::size_t kBlock = 65536;
    std::string bytes;
    while (bytes.size() < limit) {
        const std::size_t filled = bytes.size();
        bytes.resize(filled + std::min(kBlock, limit - filled));
        const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        bytes.resize(filled + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        if (got == 0) {
            break;
        }
        if (got < 0 && errno != EINTR) {
            return std::nullopt;
        }
    }
    return bytes;
}

}  // namespace kerbcall::posix
