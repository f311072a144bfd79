#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kerbcall::platform {

// The multimedia command-string service.
class Mci {
public:
    virtual ~Mci() = default;
    // Sends one command text; returns the service's error code, 0 on success.
    virtual std::int32_t SendString(std::string_view command) = 0;
    // Opens the sound output ahead of the sounds, or again where it failed or
    // was lost, without waiting for it. Nothing where the service opens its
    // output by itself.
    virtual void PrepareOutput() {}
    // Why the sound output cannot be opened; empty where the service does not
    // say.
    virtual std::string OutputProblem() { return {}; }
};

}  // namespace kerbcall::platform
