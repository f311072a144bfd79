#pragma once

#include <cstdint>

#include "platform/process_memory.h"

namespace kerbcall {

inline constexpr std::uint64_t kBuildProbeAddress = 0x40E9C0;
inline constexpr std::uint8_t kEarlyBuildProbeByte = 0xB8;
inline constexpr std::uint64_t kEarlyPositionAddress = 0x612710;
inline constexpr std::uint64_t kLatePositionAddress = 0x612718;

// Reads the car's track distance out of the simulator's memory.
class PositionReader {
public:
    explicit PositionReader(platform::ProcessMemory& memory);

    // The simulator's process, as the discovery opened it (0 if it failed).
    platform::ProcessHandle simProcess = 0;
    bool earlyBuild = false;
    std::uint64_t positionAddress = 0;
    float currentPosition = 0.0F;

    // Reads the probe byte; earlyBuild when it is 0xB8.
    void DetectBuild();
    void SelectPositionAddress();
    // One fresh read of the distance into currentPosition; false when the
    // read did not deliver all four bytes (the others are zeros).
    bool SamplePosition();
    // The four bytes at `address` as a little-endian float, 0.0 where the
    // read failed; NaNs and infinities come back unchanged.
    float ReadSingle(std::uint64_t address);
    // True once the simulator's process has ended; ask after a failed read.
    bool SimulatorExited() { return memory_.HasExited(simProcess); }
    // The first byte at the probe address (0 when unreadable).
    std::uint8_t ReadProbeByte();

private:
    bool ReadFloat(std::uint64_t address, float& value);

    platform::ProcessMemory& memory_;
};

}  // namespace kerbcall
