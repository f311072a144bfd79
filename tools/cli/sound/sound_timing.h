#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace kerbcall::cli {

// A sample is heard above -40 dBFS, this fraction of full scale.
inline constexpr double kAudibleFraction = 0.01;

// How a sound plays, in seconds: its length, the time before its first
// sample above -40 dBFS and the time after its last (each the whole length
// when it never gets that loud).
struct SoundTiming {
    double duration = 0.0;
    double leadingSilence = 0.0;
    double trailingSilence = 0.0;
};

// A sound as the player hears it: 16-bit samples, the channels interleaved.
struct DecodedSound {
    int rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;
};

// Decodes sound files as the program's player does.
class SoundDecoder {
public:
    virtual ~SoundDecoder() = default;
    // The timing, or why the file cannot be decoded.
    virtual std::variant<SoundTiming, std::string> Decode(const std::string& path) = 0;
    // The samples, or why the file cannot be decoded.
    virtual std::variant<DecodedSound, std::string> DecodeSamples(const std::string& path) = 0;
};

// The platform's decoder; null where there is none.
std::unique_ptr<SoundDecoder> MakeSoundDecoder();

}  // namespace kerbcall::cli
