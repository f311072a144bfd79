// The audio work of kerbcall-cli pack: a recording decoded as the player
// decodes it, mixed to one channel, brought to one loudness (libebur128),
// cut to its voice and encoded as MP3 (libmp3lame).
#include <ebur128.h>
#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <numeric>

#include "platform/safe_write.h"
#include "tools/cli/sound/voice_pack.h"

namespace kerbcall::cli {

namespace {

// More samples than this at full scale: the recording was clipped. The
// decoder's conversion of a mono recording takes full scale one step down.
constexpr std::size_t kClippedSamples = 3;
constexpr int kFullScale = INT16_MAX - 1;
// A call whose peaks keep it more than this (dB) below the pack's loudness
// is warned about.
constexpr double kLoudnessTolerance = 0.5;
// A call is cut again, at most twice, when the encoder left its start below
// the audible level for longer than this (seconds), or the end of its voice,
// so that it ends more than kLongestTail after what is heard: less than
// half a millisecond past kTail reports as kTail.
constexpr double kRecutAfter = 0.003;
constexpr double kLongestTail = kTail + 0.0005;
constexpr int kAttempts = 3;
// Loudness is measured in blocks of 0.4 s; a shorter call is measured as if
// silence followed it to one block's length.
constexpr double kLoudnessBlock = 0.4;
// A recording longer than this (seconds) is no call: refused before its
// copies take memory in proportion to its length.
constexpr int kLongestRecording = 60;

double Gain(double decibels) { return std::pow(10.0, decibels / 20.0); }

std::size_t Samples(double seconds, int rate) { return static_cast<std::size_t>(std::lround(seconds * rate)); }

// One channel, the mean of all, in full-scale units.
std::vector<float> Mono(const DecodedSound& sound) {
    const auto channels = static_cast<std::size_t>(sound.channels);
    std::vector<float> mono(sound.samples.size() / channels);
    for (std::size_t frame = 0; frame < mono.size(); ++frame) {
        float sum = 0.0F;
        for (std::size_t channel = 0; channel < channels; ++channel) {
            sum += static_cast<float>(sound.samples[frame * channels + channel]);
        }
        mono[frame] = sum / (32768.0F * static_cast<float>(channels));
    }
    return mono;
}

// Frames with a channel at full scale.
std::size_t FullScaleSamples(const DecodedSound& sound) {
    const auto channels = static_cast<std::size_t>(sound.channels);
    std::size_t clipped = 0;
    for (std::size_t frame = 0; frame + channels <= sound.samples.size(); frame += channels) {
        const auto first = sound.samples.begin() + static_cast<std::ptrdiff_t>(frame);
        clipped += std::any_of(first, first + static_cast<std::ptrdiff_t>(channels),
                               [](std::int16_t sample) { return std::abs(static_cast<int>(sample)) >= kFullScale; })
                       ? 1U
                       : 0U;
    }
    return clipped;
}

// EBU R128 integrated loudness, the one channel heard on both loudspeakers;
// nullopt for silence.
std::optional<double> Loudness(std::vector<float> mono, int rate) {
    mono.resize(std::max(mono.size(), Samples(kLoudnessBlock, rate)), 0.0F);
    const std::unique_ptr<ebur128_state, void (*)(ebur128_state*)> state(
        ebur128_init(1, static_cast<unsigned>(rate), EBUR128_MODE_I),
        [](ebur128_state* opened) { ebur128_destroy(&opened); });
    double loudness = -HUGE_VAL;
    if (!state || ebur128_set_channel(state.get(), 0, EBUR128_DUAL_MONO) != EBUR128_SUCCESS ||
        ebur128_add_frames_float(state.get(), mono.data(), mono.size()) != EBUR128_SUCCESS ||
        ebur128_loudness_global(state.get(), &loudness) != EBUR128_SUCCESS || !std::isfinite(loudness)) {
        return std::nullopt;
    }
    return loudness;
}

double Peak(const std::vector<float>& samples) {
    return std::transform_reduce(
        samples.begin(), samples.end(), 0.0, [](double a, double b) { return std::max(a, b); },
        [](float sample) { return std::fabs(static_cast<double>(sample)); });
}

// The voice in `mono` at `gain`: its first audible sample and the one past
// its last; nullopt when nothing in it is audible.
std::optional<std::pair<std::size_t, std::size_t>> FindVoice(const std::vector<float>& mono, double gain) {
    const auto audible = [gain](float sample) { return std::fabs(sample * gain) > kAudibleFraction; };
    const auto first = std::find_if(mono.begin(), mono.end(), audible);
    if (first == mono.end()) {
        return std::nullopt;
    }
    const auto end = std::find_if(mono.rbegin(), mono.rend(), audible).base();
    return std::pair(static_cast<std::size_t>(first - mono.begin()), static_cast<std::size_t>(end - mono.begin()));
}

// `mono` from `from` to `tail` samples past `end`, silence added where it
// ends sooner, faded out over the tail.
std::vector<float> Cut(const std::vector<float>& mono, std::size_t from, std::size_t end, std::size_t tail) {
    std::vector<float> call(mono.begin() + static_cast<std::ptrdiff_t>(from),
                            mono.begin() + static_cast<std::ptrdiff_t>(std::min(end + tail, mono.size())));
    call.resize(end + tail - from, 0.0F);
    for (std::size_t i = 0; i < tail; ++i) {
        call[end - from + i] *= static_cast<float>(tail - i) / static_cast<float>(tail);
    }
    return call;
}

// The MP3: mono at kCallRate, its first frame the tag that tells the decoder
// the encoder's delay and padding, so that they are taken off again; nullopt
// when the encoder fails.
std::optional<std::string> EncodeMp3(const std::vector<float>& call, int rate) {
    const std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> lame(lame_init(), lame_close);
    if (!lame) {
        return std::nullopt;
    }
    lame_set_in_samplerate(lame.get(), rate);
    lame_set_out_samplerate(lame.get(), kCallRate);
    lame_set_num_channels(lame.get(), 1);
    lame_set_mode(lame.get(), MONO);
    lame_set_VBR(lame.get(), vbr_abr);
    lame_set_VBR_mean_bitrate_kbps(lame.get(), kCallBitRate);
    lame_set_bWriteVbrTag(lame.get(), 1);
    if (lame_init_params(lame.get()) < 0) {
        return std::nullopt;
    }
    // The encoder's own bound on what it makes of this many samples.
    std::string bytes(call.size() * 5 / 4 + 7200, '\0');
    auto* buffer = reinterpret_cast<unsigned char*>(bytes.data());
    const auto room = static_cast<int>(bytes.size());
    const int encoded = lame_encode_buffer_ieee_float(lame.get(), call.data(), call.data(),
                                                      static_cast<int>(call.size()), buffer, room);
    const int flushed = encoded < 0 ? -1 : lame_encode_flush(lame.get(), buffer + encoded, room - encoded);
    if (flushed < 0) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(encoded) + static_cast<std::size_t>(flushed));
    if (lame_get_lametag_frame(lame.get(), buffer, bytes.size()) > bytes.size()) {
        return std::nullopt;
    }
    return bytes;
}

// The gain that brings the call `alone` to the pack's loudness, as far as
// its peaks allow; a warning when they do not.
double CallGain(const std::vector<float>& alone, double fallbackLoudness, int rate, CallFigures& figures) {
    const double wanted = Gain(kCallLoudness - Loudness(alone, rate).value_or(fallbackLoudness));
    const double gain = std::min(wanted, Gain(kCallPeak) / Peak(alone));
    if (wanted > gain * Gain(kLoudnessTolerance)) {
        figures.warnings.push_back("its peaks keep it " +
                                   std::to_string(std::lround(20.0 * std::log10(wanted / gain))) +
                                   " dB below the pack's loudness");
    }
    return gain;
}

class LameCallMaker : public CallMaker {
public:
    explicit LameCallMaker(SoundDecoder& decoder) : decoder_(decoder) {}

    std::variant<CallFigures, std::string> Make(const std::filesystem::path& in,
                                                const std::filesystem::path& out) override {
        auto decoded = decoder_.DecodeSamples(in.string());
        if (const auto* problem = std::get_if<std::string>(&decoded)) {
            return "cannot be decoded: " + *problem;
        }
        const auto& recording = std::get<DecodedSound>(decoded);
        const int rate = recording.rate;
        if (recording.samples.size() / static_cast<std::size_t>(recording.channels) >
            static_cast<std::size_t>(kLongestRecording) * static_cast<std::size_t>(rate)) {
            return "longer than " + std::to_string(kLongestRecording) + " s: one call a file";
        }
        std::vector<float> mono = Mono(recording);
        CallFigures figures;
        figures.durationBefore = static_cast<double>(mono.size()) / rate;
        if (const std::size_t clipped = FullScaleSamples(recording); clipped > kClippedSamples) {
            figures.warnings.push_back("clipped: " + std::to_string(clipped) +
                                       " samples at full scale; record it again, less loud");
        }
        // The voice is found at the pack's loudness, then measured alone.
        const std::optional<double> loudness = Loudness(mono, rate);
        const auto voice = loudness ? FindVoice(mono, Gain(kCallLoudness - *loudness)) : std::nullopt;
        if (!voice) {
            return std::string("silent: no voice in it");
        }
        figures.loudnessBefore = *loudness;
        const auto [first, end] = *voice;
        const std::size_t tail = Samples(kTail, rate);
        const double gain = CallGain(Cut(mono, first, end, tail), *loudness, rate, figures);
        for (float& sample : mono) {
            sample = static_cast<float>(sample * gain);
        }
        std::pair cut{first - std::min(Samples(kLeadIn, rate), first), end};
        auto made = WriteFromVoice(mono, first, rate, cut, out);
        if (const auto* problem = std::get_if<std::string>(&made)) {
            return *problem;
        }
        const auto& timing = std::get<SoundTiming>(made);
        figures.silenceBefore = static_cast<double>(cut.first) / rate;
        figures.silenceAfter = (static_cast<double>(mono.size()) - static_cast<double>(cut.second + tail)) / rate;
        figures.durationAfter = timing.duration;
        figures.startsAfter = timing.leadingSilence;
        figures.endsAfter = timing.trailingSilence;
        if (auto heard = decoder_.DecodeSamples(out.string()); heard.index() == 0) {
            const auto& sound = std::get<DecodedSound>(heard);
            figures.loudnessAfter = Loudness(Mono(sound), sound.rate);
        }
        if (timing.leadingSilence > kLateStart) {
            figures.warnings.push_back("starts " + std::to_string(std::lround(timing.leadingSilence * 1000.0)) +
                                       " ms late");
        }
        if (timing.trailingSilence > kLongestTail) {
            figures.warnings.push_back("ends " + std::to_string(std::lround(timing.trailingSilence * 1000.0)) +
                                       " ms after its voice");
        }
        return figures;
    }

private:
    // Writes the call in `louder` from `cut.first` to kTail after `cut.second`
    // and decodes it again. The encoder may leave a voice's faint beginning
    // (a soft "f") or its faint end below the audible level: the call is then
    // cut again where it is heard, and `cut` says where. Its timing, or why
    // it failed.
    std::variant<SoundTiming, std::string> WriteFromVoice(const std::vector<float>& louder, std::size_t first, int rate,
                                                          std::pair<std::size_t, std::size_t>& cut,
                                                          const std::filesystem::path& out) {
        const std::size_t leadIn = Samples(kLeadIn, rate);
        for (int attempt = 1;; ++attempt) {
            auto& [from, end] = cut;
            std::vector<float> call = Cut(louder, from, end, Samples(kTail, rate));
            const std::size_t fade = std::min(from <= first ? first - from : leadIn, call.size());
            for (std::size_t i = 0; i < fade; ++i) {
                call[i] *= static_cast<float>(i) / static_cast<float>(fade);
            }
            const std::optional<std::string> encoded = EncodeMp3(call, rate);
            if (!encoded) {
                return std::string("the encoder failed");
            }
            if (std::string problem = platform::WriteBesideAndRename(out, *encoded); !problem.empty()) {
                return problem;
            }
            auto timing = decoder_.Decode(out.string());
            if (const auto* problem = std::get_if<std::string>(&timing)) {
                return "written, but cannot be decoded again: " + *problem;
            }
            const SoundTiming& heard = std::get<SoundTiming>(timing);
            const std::size_t start =
                heard.leadingSilence > kRecutAfter ? from + Samples(heard.leadingSilence - kLeadIn, rate) : from;
            const std::size_t stop = heard.trailingSilence > kLongestTail
                                         ? end - std::min(Samples(heard.trailingSilence - kTail, rate), end)
                                         : end;
            if (attempt == kAttempts || (start == from && stop == end) || start >= stop) {
                return timing;
            }
            from = start;
            end = stop;
        }
    }

    SoundDecoder& decoder_;
};

}  // namespace

std::unique_ptr<CallMaker> MakeCallMaker(SoundDecoder& decoder) { return std::make_unique<LameCallMaker>(decoder); }

}  // namespace kerbcall::cli
