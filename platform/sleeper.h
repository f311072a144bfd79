#pragma once

#include <cstdint>

namespace kerbcall::platform {

class Sleeper {
public:
    virtual ~Sleeper() = default;
    // Blocks the calling thread; no window message is handled meanwhile.
    virtual void Sleep(std::uint32_t milliseconds) = 0;
};

}  // namespace kerbcall::platform
