#pragma once

#include <cstdint>
#include <string_view>

namespace kerbcall::platform {

// The multimedia command-string service.
class Mci {
public:
    virtual ~Mci() = default;
    // Sends one command text; returns the service's error code, 0 on success.
    virtual std::int32_t SendString(std::string_view command) = 0;
};

}  // namespace kerbcall::platform
