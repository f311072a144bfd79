#include <string>

#include "platform/win32/win32_platform.h"
#include "tools/cli/simulator/probe_platform.h"

namespace kerbcall::cli {

namespace {

std::string ReadAccessProblem(std::uint32_t processId) {
    HANDLE process = OpenProcess(platform::win32::Win32ProcessMemory::kReadAccess, FALSE, processId);
    if (process != nullptr) {
        CloseHandle(process);
        return "the process could not be opened a moment ago, but can be now";
    }
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED) {
        return "access is denied: the simulator runs as another user or with higher rights "
               "(start kerbcall-cli as administrator)";
    }
    return "OpenProcess failed with Windows error " + std::to_string(error);
}

}  // namespace

ProbePlatform MakeProbePlatform() {
    return {std::make_unique<platform::win32::ToolhelpProcessList>(),
            std::make_unique<platform::win32::Win32ProcessMemory>(),
            &ReadAccessProblem,
            std::make_unique<platform::win32::Win32Udp>(),
            std::make_unique<platform::win32::Win32Files>(),
            std::make_unique<platform::win32::Win32UserFolders>()};
}

}  // namespace kerbcall::cli
