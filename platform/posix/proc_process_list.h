#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/process_list.h"

namespace kerbcall::posix {

// The running processes as /proc shows them. A program started under a
// Windows compatibility layer appears under its Windows executable name.
class ProcFsProcessList : public platform::ProcessList {
public:
    // `procRoot` is where the process file system is mounted.
    explicit ProcFsProcessList(std::string procRoot = "/proc");

    // Reads every live process once; zombies and processes that vanish while
    // they are read are left out. nullptr when the folder cannot be listed.
    std::unique_ptr<platform::ProcessSnapshot> TakeSnapshot() override;
    // From the process's own files alone: gone, a zombie, or another name.
    bool HasEnded(std::uint32_t processId, std::string_view exeName) override;

private:
    std::string procRoot_;
};

// What the program takes from a process's /proc/PID/stat line.
struct ProcessStat {
    std::string_view comm;  // the kernel's name of the process
    char state = 0;
    unsigned long flags = 0;  // the kernel's process flags; 0 where the line has none
    // The kernel's mark of a process that has begun to exit: its memory may
    // already be gone while its state still reads running.
    static constexpr unsigned long kExiting = 0x4;
    // A zombie, or a process on its way out.
    bool HasEnded() const { return state == 'Z' || state == 'X' || (flags & kExiting) != 0; }
};
// The first bytes of a stat line hold all of it that is parsed.
inline constexpr std::size_t kStatLength = 512;
// nullopt for a line cut short.
std::optional<ProcessStat> ParseProcessStat(std::string_view stat);

// The bare executable name of a process from its kernel name `comm` and its
// first argument `argv0`. The kernel cuts `comm` to 15 characters; when it is
// that long and the last component of `argv0` (split on "/" and "\") begins
// with it, that component is the whole name.
std::string BareExecutableName(std::string_view comm, std::string_view argv0);

}  // namespace kerbcall::posix
