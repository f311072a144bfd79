// Prints the play latency of the sound interpreter, from sending "play" to
// the first sample that is not silent leaving the mixer, and the resident
// memory of the process with the audio device open and a sound loaded.
// Runs on SDL's dummy driver unless SDL_AUDIODRIVER names another.
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/sdl_mci.h"

namespace kerbcall::posix {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPlays = 40;

struct FirstSound {
    std::atomic<bool> armed{false};
    std::atomic<Clock::rep> heardAt{0};
};

void WatchMixerOutput(void* watch, Uint8* stream, int length) {
    auto& first = *static_cast<FirstSound*>(watch);
    if (!first.armed.load()) {
        return;
    }
    if (std::any_of(stream, stream + length, [](Uint8 byte) { return byte != 0; })) {
        first.heardAt.store(Clock::now().time_since_epoch().count());
        first.armed.store(false);
    }
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

}  // namespace
}  // namespace kerbcall::posix

int main() {
    using namespace kerbcall::posix;
    ::setenv("SDL_AUDIODRIVER", "dummy", 0);
    const std::string open = "open \"" KERBCALL_BENCH_SOUND "\" type mpegvideo alias songNumber1";
    const long before = ResidentKilobytes();
    SdlMci mci;
    if (mci.SendString(open) != 0) {
        std::printf("cannot open the sound: no audio device\n");
        return 1;
    }
    const long withDevice = ResidentKilobytes();
    static_cast<void>(mci.SendString("close songNumber1"));

    FirstSound first;
    Mix_SetPostMix(WatchMixerOutput, &first);
    std::vector<double> latencies;
    for (int i = 0; i < kPlays; ++i) {
        static_cast<void>(mci.SendString(open));
        std::this_thread::sleep_for(std::chrono::milliseconds(7 * i % 23));  // any phase of the device's cycle
        first.heardAt.store(0);
        first.armed.store(true);
        const auto sent = Clock::now();
        static_cast<void>(mci.SendString("play songNumber1"));
        while (first.heardAt.load() == 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const Clock::time_point heard{Clock::duration{first.heardAt.load()}};
        latencies.push_back(std::chrono::duration<double, std::milli>(heard - sent).count());
        static_cast<void>(mci.SendString("close songNumber1"));
    }
    Mix_SetPostMix(nullptr, nullptr);
    mci.CloseDevice();
    std::sort(latencies.begin(), latencies.end());
    std::printf("audio driver %s, device buffer %d frames at %d Hz (%.1f ms)\n", std::getenv("SDL_AUDIODRIVER"),
                SdlMci::kBufferFrames, SdlMci::kSampleRate, 1000.0 * SdlMci::kBufferFrames / SdlMci::kSampleRate);
    std::printf("play latency over %d plays: min %.1f ms, median %.1f ms, max %.1f ms (target under 30 ms)\n", kPlays,
                latencies.front(), latencies[latencies.size() / 2], latencies.back());
    std::printf("resident memory: %ld kB before, %ld kB with the device open and a sound loaded (+%ld kB)\n", before,
                withDevice, withDevice - before);
    return 0;
}
