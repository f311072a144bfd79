#include "simlink/position_reader.h"

#include <array>
#include <bit>
#include <cstddef>

namespace kerbcall {

static_assert(std::endian::native == std::endian::little, "the simulator's floats are read as they lie in memory");

PositionReader::PositionReader(platform::ProcessMemory& memory) : memory_(memory) {}

std::uint8_t PositionReader::ReadProbeByte() {
    std::array<std::byte, 4> buffer{};
    memory_.Read(simProcess, kBuildProbeAddress, buffer);
    return std::to_integer<std::uint8_t>(buffer[0]);
}

void PositionReader::DetectBuild() { earlyBuild = ReadProbeByte() == kEarlyBuildProbeByte; }

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
