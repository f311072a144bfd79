#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kerbcall::platform {

// An opened process, 0 when none could be opened. What was opened for it
// stays open until Close, or the end of the program.
using ProcessHandle = std::uintptr_t;

class ProcessMemory {
public:
    virtual ~ProcessMemory() = default;
    // Opens the process for reading its memory only; 0 on failure.
    virtual ProcessHandle OpenForReading(std::uint32_t processId) = 0;
    // Copies the bytes at `address` of the process into `buffer`, in memory
    // order, and tells whether all of them were delivered. Bytes the read did
    // not deliver are left as the caller set them (callers zero-fill). Never
    // throws.
    virtual bool Read(ProcessHandle process, std::uint64_t address, std::span<std::byte> buffer) = 0;
    // True once the opened process has ended. False while it runs, and for
    // the handle 0, of which nothing can be told. Meant for after a failed
    // read: it may cost more than the read.
    virtual bool HasExited(ProcessHandle process) = 0;
    // Closes what OpenForReading opened for the process, once it has gone,
    // so that a long session of simulator runs holds no more than one. The
    // handle reads nothing afterwards and must not be closed twice; 0 is
    // passed over.
    virtual void Close(ProcessHandle process) = 0;
};

}  // namespace kerbcall::platform
