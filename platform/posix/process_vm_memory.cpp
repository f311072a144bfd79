#include "platform/posix/process_vm_memory.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <iostream>

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
        return prefix + "it runs as user " + UserName(owner.st_uid) + " and Kerbcall as user " +
               UserName(::geteuid()) + "; run Kerbcall as the simulator's user";
    }
    if (const std::string scope = PtraceScope(); !scope.empty() && scope != "0") {
        return prefix + "the kernel setting kernel.yama.ptrace_scope is " + scope +
               "; run Kerbcall as the simulator's user and either set it to 0 (sysctl kernel.yama.ptrace_scope=0)"
               " or allow Kerbcall with setcap cap_sys_ptrace=ep on its executable";
    }
    return prefix + "run Kerbcall as the simulator's user";
}

struct AccessCheck {
    bool refused = false;  // the process exists, but this program may not read it
    std::string problem;   // empty when the memory can be read
};

AccessCheck CheckReadAccess(std::uint32_t processId) {
    // Opening the memory file asks the kernel the same question as a read.
    const int fd = ::open((ProcessFolder(processId) + "/mem").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return {};
    }
    const int error = errno;
    if (error == EACCES || error == EPERM) {
        return {true, RefusalReason(processId)};
    }
    if (error == ENOENT || error == ESRCH) {
        return {false, "process " + std::to_string(processId) + " is not running"};
    }
    return {false, "the memory of process " + std::to_string(processId) + " cannot be opened: " + std::strerror(error)};
}

}  // namespace

std::string ReadAccessProblem(std::uint32_t processId) { return CheckReadAccess(processId).problem; }

ProcessVmMemory::ProcessVmMemory(std::ostream& hints) : hints_(hints) {}

ProcessVmMemory::ProcessVmMemory() : ProcessVmMemory(std::cerr) {}

platform::ProcessHandle ProcessVmMemory::OpenForReading(std::uint32_t processId) {
    if (processId == 0 || processId > static_cast<std::uint32_t>(INT_MAX)) {
        return 0;
    }
    const AccessCheck access = CheckReadAccess(processId);
    if (access.problem.empty()) {
        return processId;
    }
    if (access.refused && !hintGiven_) {
        hints_ << "kerbcall: " << access.problem << '\n' << std::flush;
        hintGiven_ = true;
    }
    return 0;
}

void ProcessVmMemory::Read(platform::ProcessHandle process, std::uint64_t address, std::span<std::byte> buffer) {
    if (process == 0 || process > static_cast<platform::ProcessHandle>(INT_MAX) || buffer.empty()) {
        return;
    }
    iovec local{buffer.data(), buffer.size()};
    // The address is the other process's; it is never dereferenced here.
    iovec remote{reinterpret_cast<void*>(static_cast<std::uintptr_t>(address)), buffer.size()};  // NOLINT
    // A short or failed read leaves the bytes it did not deliver untouched.
    static_cast<void>(::process_vm_readv(static_cast<pid_t>(process), &local, 1, &remote, 1, 0));
}

}  // namespace kerbcall::posix
