#include "platform/posix/sdl_mci.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/ascii_case.h"
#include "platform/path_lookup.h"

namespace kerbcall::posix {

namespace {

std::int32_t Code(MciError error) { return static_cast<std::int32_t>(error); }

// The formats the mpegvideo device plays; anything else that the mixer might
// take (tracker modules, MIDI) is refused as it would be there.
bool IsPlayableType(Mix_MusicType type) {
    return type == MUS_MP3 || type == MUS_WAV || type == MUS_OGG || type == MUS_FLAC || type == MUS_OPUS;
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// One attempt at opening the audio device, on a thread of its own: a sound
// server that does not answer holds up that thread only.
struct Opening {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool opened = false;
    std::string problem;
    // The device is gone: the thread closes what it opened.
    bool abandoned = false;
    // A sound has waited for it; no later one does.
    bool waitedFor = false;
};

void QuitAudio() {
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO | SDL_INIT_EVENTS);
}

void OpenAudio(const std::shared_ptr<Opening>& opening) {
    // Left to SDL, the signals would become quit events that nobody reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Events tell of a device lost.
    bool opened = SDL_InitSubSystem(SDL_INIT_AUDIO | SDL_INIT_EVENTS) == 0;
    if (opened) {
        Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC | MIX_INIT_OPUS);
        opened = Mix_OpenAudioDevice(SdlMci::kSampleRate, AUDIO_S16SYS, 2, SdlMci::kBufferFrames, nullptr, 0) == 0;
        if (!opened) {
            Mix_Quit();
            SDL_QuitSubSystem(SDL_INIT_AUDIO | SDL_INIT_EVENTS);
        }
    }
    std::unique_lock lock(opening->mutex);
    opening->done = true;
    opening->opened = opened;
    opening->problem = opened ? "" : SDL_GetError();
    opening->finished.notify_all();
    if (opened && opening->abandoned) {
        lock.unlock();
        QuitAudio();
    }
    // SDL keeps this thread's error text until told.
    SDL_TLSCleanup();
}

}  // namespace

struct SdlMci::Device {
    struct Alias {
        std::string name;
        SDL_RWops* source = nullptr;
        Mix_Music* music = nullptr;
        bool leftOn = true;
        bool rightOn = true;
    };

    using Clock = std::chrono::steady_clock;
    // A sound waits this long at most for the device to open.
    static constexpr std::chrono::milliseconds kPatience{250};
    // Before a sound, a failed or lost device is tried again this often at most.
    static constexpr std::chrono::seconds kRetryPeriod{1};

    bool audioOpen = false;
    // The attempt in flight, or finished and not yet taken.
    std::shared_ptr<Opening> opening;
    std::optional<Clock::time_point> lastAttempt;
    std::string problem;
    std::vector<Alias> aliases;
    // The music that was last started; the mixer plays one at a time.
    Mix_Music* sounding = nullptr;
    // The sides of the sounding alias, read by the mixer's thread.
    std::atomic<bool> leftOn{true};
    std::atomic<bool> rightOn{true};

    ~Device() {
        Close();
        if (opening) {
            std::unique_lock lock(opening->mutex);
            opening->abandoned = true;
            if (opening->done && opening->opened) {
                lock.unlock();
                QuitAudio();
            }
        }
    }

    Alias* Find(std::string_view name) {
        const auto found = std::ranges::find_if(
            aliases, [&](const Alias& alias) { return platform::EqualIgnoringAsciiCase(alias.name, name); });
        return found == aliases.end() ? nullptr : &*found;
    }

    // Zeroes the samples of the sides that are switched off, after mixing.
    static void SilenceSwitchedOffSides(int /*channel*/, void* stream, int length, void* self) {
        const auto& device = *static_cast<const Device*>(self);
        const bool left = device.leftOn.load(std::memory_order_relaxed);
        const bool right = device.rightOn.load(std::memory_order_relaxed);
        if (left && right) {
            return;
        }
        auto* samples = static_cast<Sint16*>(stream);
        const std::size_t count = static_cast<std::size_t>(length) / sizeof(Sint16);
        for (std::size_t i = 0; i + 1 < count; i += 2) {
            samples[i] = left ? samples[i] : Sint16{0};
            samples[i + 1] = right ? samples[i + 1] : Sint16{0};
        }
    }

    // Takes the attempt's outcome once it has finished.
    void TakeOpening() {
        if (!opening) {
            return;
        }
        std::unique_lock lock(opening->mutex);
        if (!opening->done) {
            return;
        }
        audioOpen = opening->opened;
        problem = opening->problem;
        lock.unlock();
        opening.reset();
        if (audioOpen) {
            Mix_RegisterEffect(MIX_CHANNEL_POST, &Device::SilenceSwitchedOffSides, nullptr, this);
        }
    }

    // Waits a while for the attempt in flight, once per attempt.
    void WaitForOpening() {
        if (opening) {
            std::unique_lock lock(opening->mutex);
            if (!std::exchange(opening->waitedFor, true)) {
                opening->finished.wait_for(lock, kPatience, [this] { return opening->done; });
            }
        }
        TakeOpening();
    }

    // True when SDL has found the open device gone (a sound server that
    // ended or restarted).
    static bool Lost() {
        SDL_FlushEvent(SDL_AUDIODEVICEADDED);
        SDL_Event event;
        bool lost = false;
        while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_AUDIODEVICEREMOVED, SDL_AUDIODEVICEREMOVED) > 0) {
            lost = lost || event.adevice.iscapture == 0;
        }
        return lost;
    }

    // Starts opening the device where it is neither open nor opening; a
    // device found lost is closed first. `anyTime` lifts the wait between
    // attempts.
    void Prepare(bool anyTime) {
        TakeOpening();
        if (audioOpen && Lost()) {
            CloseAudio();
            problem = "the sound output was lost";
        }
        const Clock::time_point now = Clock::now();
        if (audioOpen || opening || (!anyTime && lastAttempt && now - *lastAttempt < kRetryPeriod)) {
            return;
        }
        lastAttempt = now;
        opening = std::make_shared<Opening>();
        std::thread(OpenAudio, opening).detach();
    }

    bool EnsureAudio() {
        Prepare(false);
        WaitForOpening();
        return audioOpen;
    }

    std::string OutputProblem() {
        TakeOpening();
        return opening ? "the sound output does not answer" : problem;
    }

    void CloseAudio() {
        for (Alias& alias : aliases) {
            Release(alias);
        }
        aliases.clear();
        if (audioOpen) {
            Mix_UnregisterAllEffects(MIX_CHANNEL_POST);
            QuitAudio();
            audioOpen = false;
        }
    }

    void Release(Alias& alias) {
        if (alias.music == sounding) {
            Mix_HaltMusic();
            sounding = nullptr;
        }
        Mix_FreeMusic(alias.music);
        SDL_RWclose(alias.source);
    }

    // An attempt still in flight after a short wait is left to itself.
    void Close() {
        WaitForOpening();
        CloseAudio();
        lastAttempt.reset();
    }

    MciError Open(const MciCommand& command) {
        if (Find(command.alias) != nullptr) {
            return MciError::kDuplicateAlias;
        }
        if (!EnsureAudio()) {
            return MciError::kCannotLoadDriver;
        }
        const std::optional<std::string> path = platform::LookUpPath(command.path);
        if (!path) {
            return MciError::kFileNotFound;
        }
        if (IsFolder(*path)) {
            return MciError::kInvalidFile;
        }
        SDL_RWops* source = SDL_RWFromFile(path->c_str(), "rb");
        if (source == nullptr) {
            return MciError::kFileNotFound;
        }
        Mix_Music* music = Mix_LoadMUS_RW(source, 0);
        if (music == nullptr || !IsPlayableType(Mix_GetMusicType(music))) {
            Mix_FreeMusic(music);
            SDL_RWclose(source);
            return MciError::kInvalidFile;
        }
        aliases.push_back(Alias{command.alias, source, music});
        return MciError::kNone;
    }

    void ShowSides(const Alias& alias) {
        leftOn.store(alias.leftOn, std::memory_order_relaxed);
        rightOn.store(alias.rightOn, std::memory_order_relaxed);
    }

    MciError Apply(const MciCommand& command) {
        if (command.verb == MciVerb::kOpen) {
            return Open(command);
        }
        Alias* alias = Find(command.alias);
        if (alias == nullptr) {
            return MciError::kInvalidDeviceName;
        }
        switch (command.verb) {
            case MciVerb::kSetAudio:
                (command.side == AudioSide::kLeft ? alias->leftOn : alias->rightOn) = command.on;
                if (alias->music == sounding) {
                    ShowSides(*alias);
                }
                return MciError::kNone;
            case MciVerb::kPlay:
                // A sound that is still playing goes on where it stands.
                if (alias->music == sounding && Mix_PlayingMusic() != 0) {
                    return MciError::kNone;
                }
                ShowSides(*alias);
                sounding = alias->music;
                return Mix_PlayMusic(alias->music, command.repeat ? -1 : 1) == 0 ? MciError::kNone
                                                                                 : MciError::kInvalidFile;
            case MciVerb::kClose: {
                Release(*alias);
                aliases.erase(aliases.begin() + (alias - aliases.data()));
                return MciError::kNone;
            }
            case MciVerb::kOpen:
                break;
        }
        return MciError::kUnrecognizedCommand;
    }
};

SdlMci::SdlMci() : device_(std::make_unique<Device>()) {}

SdlMci::~SdlMci() = default;

std::int32_t SdlMci::SendString(std::string_view command) {
    const std::optional<MciCommand> parsed = ParseMciCommand(command);
    if (!parsed) {
        return Code(MciError::kUnrecognizedCommand);
    }
    return Code(device_->Apply(*parsed));
}

void SdlMci::PrepareOutput() { device_->Prepare(true); }

std::string SdlMci::OutputProblem() { return device_->OutputProblem(); }

void SdlMci::CloseDevice() { device_->Close(); }

}  // namespace kerbcall::posix
