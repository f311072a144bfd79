#pragma once

#include <memory>
#include <string>
#include <variant>

namespace kerbcall::cli {

// How a sound plays, in seconds: its length, and the time before its first
// sample above -40 dBFS (the whole length when it never gets that loud).
struct SoundTiming {
    double duration = 0.0;
    double leadingSilence = 0.0;
};

// Decodes sound files as the program's player does.
class SoundDecoder {
public:
    virtual ~SoundDecoder() = default;
    // The timing, or why the file cannot be decoded.
    virtual std::variant<SoundTiming, std::string> Decode(const std::string& path) = 0;
};

// The platform's decoder; null where there is none.
std::unique_ptr<SoundDecoder> MakeSoundDecoder();

}  // namespace kerbcall::cli
