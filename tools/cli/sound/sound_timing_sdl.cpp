#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "tools/cli/sound/sound_timing.h"

namespace kerbcall::cli {

namespace {

constexpr int kSampleRate = 44100;
constexpr int kChannels = 2;
// Small device buffers: the decoder drops a sound's last part that does not
// fill a whole one, and closing waits for the device's thread to sleep one.
constexpr int kBufferFrames = 256;
const double kAudibleLevel = 32768.0 * kAudibleFraction;

// SDL_mixer, the player's own library, decoding into 16-bit samples. It
// needs an open audio device; the dummy driver gives one on any machine.
class SdlSoundDecoder : public SoundDecoder {
public:
    SdlSoundDecoder() {
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            problem_ = std::string("no audio: ") + SDL_GetError();
            return;
        }
        Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC | MIX_INIT_OPUS);
        if (Mix_OpenAudioDevice(kSampleRate, AUDIO_S16SYS, kChannels, kBufferFrames, nullptr, 0) != 0) {
            problem_ = std::string("no audio: ") + Mix_GetError();
            return;
        }
        opened_ = true;
    }
    ~SdlSoundDecoder() override {
        if (opened_) {
            Mix_CloseAudio();
        }
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    SdlSoundDecoder(const SdlSoundDecoder&) = delete;
    SdlSoundDecoder& operator=(const SdlSoundDecoder&) = delete;

    std::variant<SoundTiming, std::string> Decode(const std::string& path) override {
        auto decoded = DecodeSamples(path);
        if (const auto* problem = std::get_if<std::string>(&decoded)) {
            return *problem;
        }
        const auto& sound = std::get<DecodedSound>(decoded);
        const auto audible = [](std::int16_t sample) { return std::abs(static_cast<double>(sample)) > kAudibleLevel; };
        const auto first = std::find_if(sound.samples.begin(), sound.samples.end(), audible);
        const auto last = std::find_if(sound.samples.rbegin(), sound.samples.rend(), audible);
        // Samples of all channels interleave: a frame holds one of each.
        const auto channels = static_cast<std::size_t>(sound.channels);
        const auto seconds = [&](std::ptrdiff_t samples) {
            const std::size_t frames = static_cast<std::size_t>(samples) / channels;
            return static_cast<double>(frames) / sound.rate;
        };
        return SoundTiming{seconds(sound.samples.end() - sound.samples.begin()), seconds(first - sound.samples.begin()),
                           seconds(last - sound.samples.rbegin())};
    }

    std::variant<DecodedSound, std::string> DecodeSamples(const std::string& path) override {
        if (!opened_) {
            return problem_;
        }
        DecodedSound sound;
        // The format is the 16-bit one asked for: no change was allowed.
        Mix_QuerySpec(&sound.rate, nullptr, &sound.channels);
        SDL_RWops* source = SDL_RWFromFile(path.c_str(), "rb");
        if (source == nullptr) {
            return std::string(SDL_GetError());
        }
        // Closed here: the decoder leaves a file it does not recognise open.
        Mix_Chunk* chunk = Mix_LoadWAV_RW(source, 0);
        SDL_RWclose(source);
        if (chunk == nullptr) {
            return std::string(Mix_GetError());
        }
        sound.samples.resize(chunk->alen / sizeof(std::int16_t));
        std::memcpy(sound.samples.data(), chunk->abuf, sound.samples.size() * sizeof(std::int16_t));
        Mix_FreeChunk(chunk);
        return sound;
    }

private:
    bool opened_ = false;
    std::string problem_;
};

}  // namespace

std::unique_ptr<SoundDecoder> MakeSoundDecoder() { return std::make_unique<SdlSoundDecoder>(); }

}  // namespace kerbcall::cli
