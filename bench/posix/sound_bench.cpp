// Prints how soon a call is heard. Call to voice: from the moment a pass of
// the trigger loop has decided on a note (the player's close, then its play
// with the open) to the first sample above -40 dBFS, for every sound of the
// shipped pack, through the real sound interpreter. Beside it the play
// latency of a synthetic tone (from "play" to its first sample that is not
// silent) and the resident memory with the audio device open.
//
// Two drivers: SDL's dummy driver, the sample taken as it leaves the mixer;
// and a PulseAudio server started for the run with a null sink, the sample
// taken from the sink's monitor as parec records it. Through the sound
// server the first sound of a run is measured apart, with the device opened
// when the program starts (as the program does) and, for comparison, opened
// by that first sound.
#include <SDL_mixer.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/posix_files.h"
#include "platform/posix/sdl_mci.h"
#include "sound/sound_player.h"
#include "tests/posix/sim_process.h"

namespace kerbcall::posix {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kPlaysEach = 5;
constexpr int kTonePlays = 40;
// -40 dBFS of a 16-bit sample.
constexpr int kVoiceThreshold = 328;
constexpr double kFramesPerMs = SdlMci::kSampleRate / 1000.0;

double Milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

// Index of the first sample whose magnitude reaches the threshold; -1 if none.
long FirstLoudSample(const Sint16* samples, std::size_t count, int threshold) {
    for (std::size_t i = 0; i < count; ++i) {
        if (std::abs(static_cast<int>(samples[i])) >= threshold) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

// Where the first loud sample after a play is taken.
class Ear {
public:
    virtual ~Ear() = default;
    // Waits up to two seconds for the first sample at or above the threshold
    // after `decided`; a mark of it, nullopt when none came.
    virtual std::optional<long> HearFrom(Clock::time_point decided, int threshold) = 0;
    // When the marked sample was heard; asked once all has been heard.
    virtual Clock::time_point TimeOf(long mark) const = 0;
};

struct Heard {
    Clock::time_point decided;
    long mark = 0;
};

struct Calls {
    std::vector<Heard> heard;
    int unheard = 0;
};

// The mixer's output, as SDL hands it to the driver: the sample's time is
// its buffer's plus its place in the buffer.
class MixerEar final : public Ear {
public:
    MixerEar() { Mix_SetPostMix(&MixerEar::Listen, this); }
    ~MixerEar() override { Mix_SetPostMix(nullptr, nullptr); }
    MixerEar(const MixerEar&) = delete;
    MixerEar& operator=(const MixerEar&) = delete;

    std::optional<long> HearFrom(Clock::time_point /*decided*/, int threshold) override {
        heardAt_.store(0);
        threshold_.store(threshold);
        const auto giveUp = Clock::now() + std::chrono::seconds(2);
        while (heardAt_.load() == 0 && Clock::now() < giveUp) {
            std::this_thread::sleep_for(200us);
        }
        threshold_.store(0);
        const Clock::rep heard = heardAt_.load();
        return heard == 0 ? std::nullopt : std::optional(static_cast<long>(heard));
    }

    Clock::time_point TimeOf(long mark) const override { return Clock::time_point(Clock::duration(mark)); }

private:
    static void Listen(void* self, Uint8* stream, int length) {
        const auto now = Clock::now();
        auto& ear = *static_cast<MixerEar*>(self);
        const int threshold = ear.threshold_.load();
        if (threshold == 0) {
            return;
        }
        const long at =
            FirstLoudSample(reinterpret_cast<const Sint16*>(stream), static_cast<std::size_t>(length) / 2, threshold);
        if (at >= 0) {
            const auto offset = std::chrono::duration<double, std::milli>(static_cast<double>(at) / 2.0 / kFramesPerMs);
            ear.heardAt_.store((now + std::chrono::duration_cast<Clock::duration>(offset)).time_since_epoch().count());
            ear.threshold_.store(0);
        }
    }

    std::atomic<int> threshold_{0};
    std::atomic<Clock::rep> heardAt_{0};
};

// A child process, ended with SIGTERM when dropped.
class Child {
public:
    explicit Child(std::vector<std::string> words, int outputTo = -1)
        : pid_(testing::StartProcess(std::move(words), outputTo)) {}
    ~Child() { testing::EndProcess(pid_, SIGTERM); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

private:
    pid_t pid_ = -1;
};

// A PulseAudio server of its own with one null sink, and parec recording
// the sink's monitor. A sample is heard when the block of the recording that
// holds it reaches the reader: the server has sent it out by then.
class PulseEar final : public Ear {
public:
    explicit PulseEar(const fs::path& runtime)
        : socket_((runtime / "native").string()),
          server_({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--log-target=stderr", "--log-level=0",
                   "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket_, "-L",
                   "module-null-sink sink_name=bench rate=44100 channels=2"}) {
        ::setenv("PULSE_SERVER", ("unix:" + socket_).c_str(), 1);
        for (int wait = 0; wait < 100 && std::system("pactl info >/dev/null 2>&1") != 0; ++wait) {
            std::this_thread::sleep_for(50ms);
        }
        int ends[2];
        if (::pipe(ends) != 0) {
            std::exit(1);
        }
        recorder_ =
            std::make_unique<Child>(std::vector<std::string>{"parec", "-d", "bench.monitor", "--raw", "--format=s16le",
                                                             "--rate=44100", "--channels=2", "--latency-msec=2"},
                                    ends[1]);
        ::close(ends[1]);
        recording_ = ends[0];
        reader_ = std::thread([this] { Read(); });
    }

    ~PulseEar() override {
        recorder_.reset();
        reader_.join();
        ::close(recording_);
    }
    PulseEar(const PulseEar&) = delete;
    PulseEar& operator=(const PulseEar&) = delete;

    // The mark is the arrival of the block.
    std::optional<long> HearFrom(Clock::time_point decided, int threshold) override {
        const auto giveUp = Clock::now() + std::chrono::seconds(2);
        while (Clock::now() < giveUp) {
            {
                const std::lock_guard lock(mutex_);
                for (const Block& block : blocks_) {
                    if (block.arrived > decided && block.loud && threshold == kVoiceThreshold) {
                        return static_cast<long>(block.arrived.time_since_epoch().count());
                    }
                }
            }
            std::this_thread::sleep_for(1ms);
        }
        return std::nullopt;
    }

    Clock::time_point TimeOf(long mark) const override { return Clock::time_point(Clock::duration(mark)); }

private:
    struct Block {
        Clock::time_point arrived;
        bool loud = false;
    };

    void Read() {
        std::vector<Sint16> samples(4096);
        for (;;) {
            const ssize_t got = ::read(recording_, samples.data(), samples.size() * sizeof(Sint16));
            const auto arrived = Clock::now();
            if (got <= 0) {
                return;
            }
            const auto count = static_cast<std::size_t>(got) / sizeof(Sint16);
            const bool loud = FirstLoudSample(samples.data(), count, kVoiceThreshold) >= 0;
            const std::lock_guard lock(mutex_);
            blocks_.push_back({arrived, loud});
        }
    }

    std::string socket_;
    Child server_;
    std::unique_ptr<Child> recorder_;
    int recording_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::vector<Block> blocks_;
};

void Print(const char* what, const Ear& ear, const Calls& calls) {
    std::vector<double> milliseconds;
    for (const Heard& one : calls.heard) {
        milliseconds.push_back(Milliseconds(ear.TimeOf(one.mark) - one.decided));
    }
    if (milliseconds.empty()) {
        std::printf("  %-42s not heard (%d plays)\n", what, calls.unheard);
        return;
    }
    std::ranges::sort(milliseconds);
    std::printf("  %-42s median %5.1f ms, max %5.1f ms, min %5.1f ms, %zu plays", what,
                milliseconds[milliseconds.size() / 2], milliseconds.back(), milliseconds.front(), milliseconds.size());
    std::printf(calls.unheard > 0 ? ", %d not heard\n" : "\n", calls.unheard);
}

// One call as the trigger loop makes it, close and then open and play, and
// after the voice has been heard the sound closed and died away.
void Call(SoundPlayer& player, Ear& ear, const std::string& sound, Calls& calls) {
    const auto decided = Clock::now();
    player.CloseSound();
    player.PlaySound(sound, false, "");
    if (const std::optional<long> mark = ear.HearFrom(decided, kVoiceThreshold)) {
        calls.heard.push_back({decided, *mark});
    } else {
        ++calls.unheard;
    }
    std::this_thread::sleep_for(120ms);
    player.CloseSound();
    std::this_thread::sleep_for(150ms);
}

// The files of the pack, as the program looks at them.
platform::Files& SoundFiles() {
    static PosixFiles files;
    return files;
}

// The folder that holds the pack, as the player takes it.
std::string ProgramFolder() { return fs::path(KERBCALL_SOUND_PACK).parent_path().string(); }

std::vector<std::string> PackSounds() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(KERBCALL_SOUND_PACK)) {
        names.push_back(entry.path().filename().string());
    }
    std::ranges::sort(names);
    return names;
}

// Every sound of the pack kPlaysEach times, each at another phase of the
// device's cycle.
Calls CallEverySound(SoundPlayer& player, Ear& ear) {
    Calls calls;
    int call = 0;
    for (int round = 0; round < kPlaysEach; ++round) {
        for (const std::string& sound : PackSounds()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(7 * ++call % 23));
            Call(player, ear, sound, calls);
        }
    }
    return calls;
}

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

void DummyDriver() {
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    const long before = ResidentKilobytes();
    SdlMci mci;
    const std::string open = "open \"" + testing::TestData("Tone.MP3") + "\" type mpegvideo alias songNumber1";
    // The open waits for the device.
    if (mci.SendString(open) != 0) {
        std::printf("dummy driver: no audio device\n");
        return;
    }
    static_cast<void>(mci.SendString("close songNumber1"));
    MixerEar ear;
    // The tone from "play" on, to its first sample that is not silent.
    Calls tone;
    for (int i = 0; i < kTonePlays; ++i) {
        static_cast<void>(mci.SendString(open));
        std::this_thread::sleep_for(std::chrono::milliseconds(7 * i % 23));
        const auto sent = Clock::now();
        static_cast<void>(mci.SendString("play songNumber1"));
        if (const std::optional<long> mark = ear.HearFrom(sent, 1)) {
            tone.heard.push_back({sent, *mark});
        }
        static_cast<void>(mci.SendString("close songNumber1"));
        std::this_thread::sleep_for(30ms);
    }
    const long withDevice = ResidentKilobytes();

    SoundPlayer player(mci, SoundFiles(), ProgramFolder());
    const Calls calls = CallEverySound(player, ear);
    std::printf("SDL dummy driver, device buffer %d frames at %d Hz (%.1f ms), sample leaving the mixer:\n",
                SdlMci::kBufferFrames, SdlMci::kSampleRate, SdlMci::kBufferFrames / kFramesPerMs);
    Print("call to voice, every sound of the pack:", ear, calls);
    Print("synthetic tone, play to first sample:", ear, tone);
    std::printf("  resident memory: %ld kB before, %ld kB with the device open (+%ld kB)\n", before, withDevice,
                withDevice - before);
}

// The first sound of a run, on a device opened `ahead` before it (or by it).
void FirstCall(Ear& ear, std::chrono::milliseconds ahead, Calls& calls) {
    SdlMci mci;
    SoundPlayer player(mci, SoundFiles(), ProgramFolder());
    if (ahead > std::chrono::milliseconds::zero()) {
        mci.PrepareOutput();
        std::this_thread::sleep_for(ahead);
    }
    Call(player, ear, "activated.mp3", calls);
    mci.CloseDevice();
}

void PulseAudioServer() {
    if (std::system("command -v pulseaudio >/dev/null && command -v parec >/dev/null") != 0) {
        std::printf("PulseAudio: pulseaudio or parec missing (scripts/install-deps posix)\n");
        return;
    }
    const fs::path runtime = fs::temp_directory_path() / ("kerbcall-pulse-bench-" + std::to_string(::getpid()));
    fs::create_directories(runtime);
    ::setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    {
        PulseEar ear(runtime);
        Calls openedByIt;
        Calls openedAhead;
        for (int run = 0; run < kPlaysEach; ++run) {
            FirstCall(ear, std::chrono::milliseconds::zero(), openedByIt);
            // As the program does it: opened when the windows show, and
            // Start pressed a second later.
            FirstCall(ear, 1000ms, openedAhead);
        }
        SdlMci mci;
        mci.PrepareOutput();
        SoundPlayer player(mci, SoundFiles(), ProgramFolder());
        const Calls later = CallEverySound(player, ear);
        std::printf("PulseAudio server of the run, null sink, sample from its monitor as parec records it:\n");
        Print("call to voice, later sounds of a run:", ear, later);
        Print("first sound, device opened at start:", ear, openedAhead);
        Print("first sound, device opened by it:", ear, openedByIt);
    }
    fs::remove_all(runtime);
}

}  // namespace
}  // namespace kerbcall::posix

int main(int argc, char** argv) {
    using namespace kerbcall::posix;
    const std::string only = argc > 1 ? argv[1] : "";
    if (only.empty() || only == "dummy") {
        DummyDriver();
    }
    if (only.empty() || only == "pulseaudio") {
        PulseAudioServer();
    }
    return 0;
}
