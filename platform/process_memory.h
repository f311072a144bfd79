#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kerbcall::platform {

// An opened process, 0 when none could be opened. Handles are never closed
// one by one: they end with the program.
using ProcessHandle = std::uintptr_t;

class ProcessMemory {
public:
    virtual ~ProcessMemory() = default;
    // Opens the process for reading its memory only; 0 on failure.
    virtual ProcessHandle OpenForReading(std::uint32_t processId) = 0;
    // Copies the bytes at `address` of the process into `buffer`, in memory
    // order. Bytes the read did not deliver are left as the caller set them
    // (callers zero-fill). Never throws; a failed read reports nothing.
    virtual void Read(ProcessHandle process, std::uint64_t address, std::span<std::byte> buffer) = 0;
};

}  // namespace kerbcall::platform
