// The Windows stand-in for the racing simulator: a 32-bit program named
// zrl.exe whose own image holds the build probe and the track distance at the
// simulator's fixed addresses, with the distance moving around a track.
//
// usage: zrl [--early] [--hold DISTANCE] [--speed UNITS_PER_SECOND]
//            [--length TRACK_LENGTH] [--seconds RUN_TIME]
//
// Without --early the probe byte is the late build's and the distance lies at
// the later build's address. --hold keeps the distance still; otherwise it runs from 0
// to the track length and starts again. The program ends after --seconds (if
// given) or when it is killed.
#include <windows.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "simlink/position_reader.h"

namespace {

using kerbcall::kBuildProbeAddress;
using kerbcall::kEarlyBuildProbeByte;
using kerbcall::kEarlyPositionAddress;
using kerbcall::kLateBuildProbeByte;
using kerbcall::kLatePositionAddress;

constexpr DWORD kTickMilliseconds = 10;

// Zero-filled memory that the fixed image base places over every address
// above, however large the code before it grows: its bounds are checked at
// start-up.
constexpr std::uintptr_t kImageSpan = 0x320000;
// Volatile: others read it, this program only writes it.
volatile std::uint8_t simulatorMemory[kImageSpan];

struct Options {
    bool early = false;
    bool hold = false;
    float distance = 0.0F;
    float speed = 50.0F;
    float length = 5000.0F;
    double seconds = -1.0;
};

bool ReadNumber(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0';
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        double value = 0.0;
        if (std::strcmp(argv[i], "--early") == 0) {
            options.early = true;
        } else if (hasValue && ReadNumber(argv[i + 1], value) && std::strcmp(argv[i], "--hold") == 0) {
            options.hold = true;
            options.distance = static_cast<float>(value);
            ++i;
        } else if (hasValue && ReadNumber(argv[i + 1], value) && std::strcmp(argv[i], "--speed") == 0) {
            options.speed = static_cast<float>(value);
            ++i;
        } else if (hasValue && ReadNumber(argv[i + 1], value) && value > 0 && std::strcmp(argv[i], "--length") == 0) {
            options.length = static_cast<float>(value);
            ++i;
        } else if (hasValue && ReadNumber(argv[i + 1], value) && std::strcmp(argv[i], "--seconds") == 0) {
            options.seconds = value;
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

bool Covers(std::uint64_t address, std::size_t size) {
    const auto begin = reinterpret_cast<std::uintptr_t>(&simulatorMemory[0]);
    return address >= begin && address + size <= begin + kImageSpan;
}

volatile std::uint8_t* At(std::uint64_t address) {
    return simulatorMemory + (address - reinterpret_cast<std::uintptr_t>(&simulatorMemory[0]));
}

// The float's bytes in memory order, as the simulator keeps its distance.
void StoreDistance(std::uint64_t address, float distance) {
    const auto bytes = std::bit_cast<std::array<std::uint8_t, sizeof(float)>>(distance);
    volatile std::uint8_t* target = At(address);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        target[i] = bytes[i];
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(
            "usage: zrl [--early] [--hold DISTANCE] [--speed UNITS_PER_SECOND] [--length TRACK_LENGTH] "
            "[--seconds RUN_TIME]\n",
            stderr);
        return 2;
    }
    const std::uint64_t distanceAddress = options.early ? kEarlyPositionAddress : kLatePositionAddress;
    if (!Covers(kBuildProbeAddress, 1) || !Covers(distanceAddress, sizeof(float))) {
        std::fprintf(stderr, "zrl: memory at %p is not where the simulator keeps its values\n",
                     static_cast<const volatile void*>(&simulatorMemory[0]));
        return 1;
    }
    *At(kBuildProbeAddress) = options.early ? kEarlyBuildProbeByte : kLateBuildProbeByte;
    StoreDistance(distanceAddress, options.distance);
    // Whoever reads this line finds the memory set up.
    std::printf("zrl: process %lu, %s build, distance at 0x%lX\n", GetCurrentProcessId(),
                options.early ? "early" : "late", static_cast<unsigned long>(distanceAddress));
    std::fflush(stdout);
    const ULONGLONG started = GetTickCount64();
    for (;;) {
        const double elapsed = static_cast<double>(GetTickCount64() - started) / 1000.0;
        if (options.seconds >= 0 && elapsed >= options.seconds) {
            return 0;
        }
        if (!options.hold) {
            StoreDistance(distanceAddress,
                          static_cast<float>(std::fmod(elapsed * options.speed, static_cast<double>(options.length))));
        }
        Sleep(kTickMilliseconds);
    }
}
