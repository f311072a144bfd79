#include "simlink/position_reader.h"

#include <array>
#include <bit>
#include <cstddef>

namespace kerbcall {

static_assert(std::endian::native == std::endian::little, "the simulator's floats are read as they lie in memory");

namespace {

class PlainSleeps final : public platform::MessagePump {
public:
    void HandlePendingMessages() override {}
};

platform::MessagePump& SleepsWithoutWindows() {
    static PlainSleeps sleeps;
    return sleeps;
}

}  // namespace

PositionReader::PositionReader(platform::ProcessMemory& memory, platform::MessagePump& waits)
    : memory_(memory), waits_(waits) {}

PositionReader::PositionReader(platform::ProcessMemory& memory) : PositionReader(memory, SleepsWithoutWindows()) {}

std::uint8_t PositionReader::ReadProbeByte() {
    std::array<std::byte, 4> buffer{};
    memory_.Read(simProcess, kBuildProbeAddress, buffer);
    return std::to_integer<std::uint8_t>(buffer[0]);
}

void PositionReader::DetectBuild() {
    // Under a Windows compatibility layer a process is listed before its
    // image is mapped, and a program writes its memory only once it runs.
    const platform::MessagePump::Clock::time_point started = platform::MessagePump::Clock::now();
    std::uint8_t probe = ReadProbeByte();
    for (int retry = 1; probe == 0 && simProcess != 0 && retry <= kProbeRetries; ++retry) {
        waits_.HandleMessagesUntil(started + retry * kProbeRetryPeriod);
        probe = ReadProbeByte();
    }
    earlyBuild = probe == kEarlyBuildProbeByte;
}

bool PositionReader::SimulatorExited() {
    if (!memory_.HasExited(simProcess)) {
        return false;
    }
    memory_.Close(simProcess);
    simProcess = 0;
    return true;
}

void PositionReader::SelectPositionAddress() {
    positionAddress = earlyBuild ? kEarlyPositionAddress : kLatePositionAddress;
}

bool PositionReader::SamplePosition() { return ReadFloat(positionAddress, currentPosition); }

float PositionReader::ReadSingle(std::uint64_t address) {
    float value = 0.0F;
    ReadFloat(address, value);
    return value;
}

bool PositionReader::ReadFloat(std::uint64_t address, float& value) {
    std::array<std::byte, 4> buffer{};
    const bool delivered = memory_.Read(simProcess, address, buffer);
    value = std::bit_cast<float>(buffer);
    return delivered;
}

}  // namespace kerbcall
