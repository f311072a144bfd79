#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "tools/cli/sound/sound_timing.h"

namespace kerbcall::cli {

// Every call of a pack is brought to this EBU R128 integrated loudness (LUFS),
// measured as the player plays it: the one channel on both loudspeakers.
inline constexpr double kCallLoudness = -18.0;
// Its samples stay below this peak (dBFS); a call whose peaks would pass it
// stays quieter than kCallLoudness.
inline constexpr double kCallPeak = -1.0;
// Silence kept before a call's voice and after it, in seconds.
inline constexpr double kLeadIn = 0.001;
inline constexpr double kTail = 0.030;
// Encoded at 44.1 kHz, the rate at which the player's decoder takes the
// encoder's delay off again, mono, at this average bit rate (kbit/s).
inline constexpr int kCallRate = 44100;
inline constexpr int kCallBitRate = 40;
// A call starting later than this (seconds) is warned about.
inline constexpr double kLateStart = 0.005;

// What making one call did, in seconds and LUFS: before is the recording,
// after the MP3 as the player decodes it.
struct CallFigures {
    double durationBefore = 0.0;
    double durationAfter = 0.0;
    double silenceBefore = 0.0;  // removed before the voice
    double silenceAfter = 0.0;   // removed after it (negative: added)
    double loudnessBefore = 0.0;
    std::optional<double> loudnessAfter;  // nullopt: too short to measure
    double startsAfter = 0.0;             // the call's leading silence
    double endsAfter = 0.0;               // and its trailing silence
    std::vector<std::string> warnings;
};

// Makes calls from recordings, decoding them as the player does.
class CallMaker {
public:
    virtual ~CallMaker() = default;
    // Makes `out` from the recording `in`, written beside and renamed: what
    // was done, or why it could not be made (then nothing is written).
    virtual std::variant<CallFigures, std::string> Make(const std::filesystem::path& in,
                                                        const std::filesystem::path& out) = 0;
};

// The platform's call maker over `decoder`; null where there is none.
std::unique_ptr<CallMaker> MakeCallMaker(SoundDecoder& decoder);

}  // namespace kerbcall::cli
