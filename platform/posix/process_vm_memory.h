#pragma once

#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>

#include "platform/process_memory.h"

namespace kerbcall::posix {

// Reads another process's memory with process_vm_readv. The handle is the
// process id.
class ProcessVmMemory : public platform::ProcessMemory {
public:
    // `hints` receives the one line that explains a refused read access.
    explicit ProcessVmMemory(std::ostream& hints);
    ProcessVmMemory();

    // The process id when the process exists and this program may read its
    // memory, 0 otherwise. The first refusal for lack of permission writes
    // one line to the hint stream on how to fix it; later ones stay quiet.
    platform::ProcessHandle OpenForReading(std::uint32_t processId) override;
    void Read(platform::ProcessHandle process, std::uint64_t address, std::span<std::byte> buffer) override;

private:
    std::ostream& hints_;
    bool hintGiven_ = false;
};

// Why this program cannot read the memory of the process, in one sentence;
// empty when it can.
std::string ReadAccessProblem(std::uint32_t processId);

}  // namespace kerbcall::posix
