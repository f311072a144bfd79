#pragma once

#include <cstdint>

#include "platform/sleeper.h"

namespace kerbcall::posix {

class PosixSleeper : public platform::Sleeper {
public:
    // Sleeps the whole time, also when a signal interrupts it.
    void Sleep(std::uint32_t milliseconds) override;
};

}  // namespace kerbcall::posix
