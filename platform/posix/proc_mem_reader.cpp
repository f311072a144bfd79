#include "platform/posix/proc_mem_reader.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <iostream>
#include <limits>
#include <optional>
#include <utility>

#include "platform/posix/descriptor_reading.h"
#include "platform/posix/proc_process_list.h"

namespace kerbcall::posix {

namespace {

std::string ProcessFolder(std::uint32_t processId) { return "/proc/" + std::to_string(processId); }

std::string UserName(uid_t user) {
    if (const passwd* entry = ::getpwuid(user); entry != nullptr && entry->pw_name != nullptr) {
        return entry->pw_name;
    }
    return "uid " + std::to_string(user);
}

// The kernel's setting that keeps even processes of one user from reading
// each other's memory; empty where the kernel has none.
std::string PtraceScope() {
    std::ifstream setting("/proc/sys/kernel/yama/ptrace_scope");
    std::string value;
    setting >> value;
    return value;
}

std::string RefusalReason(std::uint32_t processId) {
    const std::string prefix = "reading the memory of process " + std::to_string(processId) + " is not permitted: ";
    struct stat owner {};
    if (::stat(ProcessFolder(processId).c_str(), &owner) == 0 && owner.st_uid != ::geteuid()) {
        return prefix + "it runs as user " + UserName(owner.st_uid) + " and Kerbcall as user " + UserName(::geteuid()) +
               "; run Kerbcall as the simulator's user";
    }
    if (const std::string scope = PtraceScope(); !scope.empty() && scope != "0") {
        return prefix + "the kernel setting kernel.yama.ptrace_scope is " + scope +
               "; run Kerbcall as the simulator's user and either set it to 0 (sysctl kernel.yama.ptrace_scope=0)"
               " or allow Kerbcall with setcap cap_sys_ptrace=ep on its executable";
    }
    return prefix + "run Kerbcall as the simulator's user";
}

struct MemoryFile {
    int fd = -1;           // open when the memory can be read
    bool refused = false;  // the process exists, but this program may not read it
    std::string problem;   // empty when the memory can be read
};

// Opening the memory file asks the kernel the same question as a read.
MemoryFile OpenMemoryFile(std::uint32_t processId) {
    const int fd = ::open((ProcessFolder(processId) + "/mem").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        return {fd, false, {}};
    }
    const int error = errno;
    if (error == EACCES || error == EPERM) {
        return {-1, true, RefusalReason(processId)};
    }
    if (error == ENOENT || error == ESRCH) {
        return {-1, false, "process " + std::to_string(processId) + " is not running"};
    }
    return {-1, false,
            "the memory of process " + std::to_string(processId) + " cannot be opened: " + std::strerror(error)};
}

}  // namespace

std::string ReadAccessProblem(std::uint32_t processId) {
    const MemoryFile memory = OpenMemoryFile(processId);
    if (memory.fd >= 0) {
        ::close(memory.fd);
    }
    return memory.problem;
}

ProcMemReader::ProcMemReader(std::ostream& hints) : hints_(hints) {}

ProcMemReader::ProcMemReader() : ProcMemReader(std::cerr) {}

ProcMemReader::~ProcMemReader() {
    for (const OpenedProcess& process : opened_) {
        ::close(process.memoryFile);
        ::close(process.processFolder);
    }
}

platform::ProcessHandle ProcMemReader::OpenForReading(std::uint32_t processId) {
    if (processId == 0 || processId > static_cast<std::uint32_t>(INT_MAX)) {
        return 0;
    }
    const MemoryFile memory = OpenMemoryFile(processId);
    if (memory.fd >= 0) {
        const int folder = ::open(ProcessFolder(processId).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (OpenedProcess* known = Find(processId)) {
            ::close(std::exchange(known->memoryFile, memory.fd));
            ::close(std::exchange(known->processFolder, folder));
        } else {
            opened_.push_back({processId, memory.fd, folder});
        }
        return processId;
    }
    if (memory.refused && !hintGiven_) {
        hints_ << "kerbcall: " << memory.problem << '\n' << std::flush;
        hintGiven_ = true;
    }
    return 0;
}

ProcMemReader::OpenedProcess* ProcMemReader::Find(platform::ProcessHandle process) {
    const auto opened = std::ranges::find(
        opened_, process, [](const OpenedProcess& p) { return static_cast<platform::ProcessHandle>(p.processId); });
    return opened == opened_.end() ? nullptr : &*opened;
}

bool ProcMemReader::Read(platform::ProcessHandle process, std::uint64_t address, std::span<std::byte> buffer) {
    const OpenedProcess* opened = Find(process);
    if (opened == nullptr || address > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
        return false;
    }
    // A short or failed read leaves the bytes it did not deliver untouched.
    const ssize_t got = ::pread(opened->memoryFile, buffer.data(), buffer.size(), static_cast<off_t>(address));
    return got == static_cast<ssize_t>(buffer.size());
}

bool ProcMemReader::HasExited(platform::ProcessHandle process) {
    const OpenedProcess* opened = Find(process);
    if (opened == nullptr) {
        return false;
    }
    // Once the process has been reaped its folder lists nothing, even when
    // its id names another process by now.
    const int statFile = ::openat(opened->processFolder, "stat", O_RDONLY | O_CLOEXEC);
    if (statFile < 0) {
        return true;
    }
    const std::optional<std::string> stat = ReadToEnd(statFile, kStatLength);
    ::close(statFile);
    const std::optional<ProcessStat> parsed = stat ? ParseProcessStat(*stat) : std::nullopt;
    return !parsed || parsed->HasEnded();
}

void ProcMemReader::Close(platform::ProcessHandle process) {
    if (const OpenedProcess* opened = Find(process)) {
        ::close(opened->memoryFile);
        ::close(opened->processFolder);
        opened_.erase(opened_.begin() + (opened - opened_.data()));
    }
}

}  // namespace kerbcall::posix
