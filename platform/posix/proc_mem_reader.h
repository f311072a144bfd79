#pragma once

#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

#include "platform/process_memory.h"

namespace kerbcall::posix {

// Reads another process's memory through its /proc/PID/mem file, kept open
// from the opening until Close: this measures faster than process_vm_readv, which
// checks the permission again on every read. The handle is the process id.
// A process that has ended reads as nothing, even if its id is used again.
class ProcMemReader : public platform::ProcessMemory {
public:
    // `hints` receives the one line that explains a refused read access.
    explicit ProcMemReader(std::ostream& hints);
    ProcMemReader();
    ~ProcMemReader() override;
    ProcMemReader(const ProcMemReader&) = delete;
    ProcMemReader& operator=(const ProcMemReader&) = delete;

    // The process id when the process exists and this program may read its
    // memory, 0 otherwise. The first refusal for lack of permission writes
    // one line to the hint stream on how to fix it; later ones stay quiet.
    platform::ProcessHandle OpenForReading(std::uint32_t processId) override;
    // Reads only through handles that OpenForReading of this object gave.
    bool Read(platform::ProcessHandle process, std::uint64_t address, std::span<std::byte> buffer) override;
    // The process folder opened with the memory file still names that
    // process and no later one with the same id; it ends with a zombie.
    bool HasExited(platform::ProcessHandle process) override;
    // Closes the memory file and the process folder.
    void Close(platform::ProcessHandle process) override;

private:
    struct OpenedProcess {
        std::uint32_t processId = 0;
        int memoryFile = -1;
        int processFolder = -1;
    };

    OpenedProcess* Find(platform::ProcessHandle process);

    std::ostream& hints_;
    bool hintGiven_ = false;
    std::vector<OpenedProcess> opened_;
};

// Why this program cannot read the memory of the process, in one sentence;
// empty when it can.
std::string ReadAccessProblem(std::uint32_t processId);

}  // namespace kerbcall::posix
