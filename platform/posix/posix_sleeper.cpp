#include "platform/posix/posix_sleeper.h"

#include <cerrno>
#include <ctime>

namespace kerbcall::posix {

void PosixSleeper::Sleep(std::uint32_t milliseconds) {
    timespec left{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1'000'000L};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

}  // namespace kerbcall::posix
