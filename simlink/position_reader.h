#pragma once

#include <chrono>
#include <cstdint>

#include "platform/message_pump.h"
#include "platform/process_memory.h"

namespace kerbcall {

inline constexpr std::uint64_t kBuildProbeAddress = 0x40E9C0;
inline constexpr std::uint8_t kEarlyBuildProbeByte = 0xB8;
// Any byte but the early build's and 0 (memory not yet written) marks the
// late build; the stand-in simulators keep this one.
inline constexpr std::uint8_t kLateBuildProbeByte = 0x55;
inline constexpr std::uint64_t kEarlyPositionAddress = 0x612710;
inline constexpr std::uint64_t kLatePositionAddress = 0x612718;

// Reads the car's track distance out of the simulator's memory.
class PositionReader {
public:
    // A simulator that has just been listed may not have its image in place
    // yet: the probe is read again this often, at most kProbeRetries times.
    static constexpr std::chrono::milliseconds kProbeRetryPeriod{2};
    static constexpr int kProbeRetries = 500;

    // `waits` handles the window messages while the probe waits.
    PositionReader(platform::ProcessMemory& memory, platform::MessagePump& waits);
    // Without windows: the probe's waits only sleep.
    explicit PositionReader(platform::ProcessMemory& memory);

    // The simulator's process, as the discovery opened it (0 if it failed).
    platform::ProcessHandle simProcess = 0;
    bool earlyBuild = false;
    std::uint64_t positionAddress = 0;
    float currentPosition = 0.0F;

    // Reads the probe byte; earlyBuild when it is 0xB8. A failed read, or a 0
    // (memory not yet written), is read again, waiting in between, until it
    // gives another byte or the retries run out; nothing is read again
    // through the handle 0.
    void DetectBuild();
    void SelectPositionAddress();
    // One fresh read of the distance into currentPosition; false when the
    // read did not deliver all four bytes (the others are zeros).
    bool SamplePosition();
    // The four bytes at `address` as a little-endian float, 0.0 where the
    // read failed; NaNs and infinities come back unchanged.
    float ReadSingle(std::uint64_t address);
    // True once the simulator's process has ended; ask after a failed read.
    // What was opened for the process is then closed and simProcess is 0.
    bool SimulatorExited();
    // The first byte at the probe address (0 when unreadable).
    std::uint8_t ReadProbeByte();

private:
    bool ReadFloat(std::uint64_t address, float& value);

    platform::ProcessMemory& memory_;
    platform::MessagePump& waits_;
};

}  // namespace kerbcall
