#include "platform/win32/win32_platform.h"

#include <tlhelp32.h>

#include <limits>

namespace kerbcall::platform::win32 {

namespace {

// The simulator is a 32-bit program: the record is the 296-byte ANSI form.
static_assert(sizeof(PROCESSENTRY32) == 296);

class ToolhelpSnapshot final : public ProcessSnapshot {
public:
    explicit ToolhelpSnapshot(HANDLE snapshot) : snapshot_(snapshot) {}
    ~ToolhelpSnapshot() override { CloseHandle(snapshot_); }
    ToolhelpSnapshot(const ToolhelpSnapshot&) = delete;
    ToolhelpSnapshot& operator=(const ToolhelpSnapshot&) = delete;

    bool Next(ProcessEntry& entry) override {
        BOOL delivered = FALSE;
        // A process that has exited may stay listed, without threads, while
        // handles to it are open, as the run's is until it finds it gone.
        do {
            record_.dwSize = sizeof(record_);
            delivered = started_ ? Process32Next(snapshot_, &record_) : Process32First(snapshot_, &record_);
            started_ = true;
        } while (delivered && record_.cntThreads == 0);
        if (!delivered) {
            return false;
        }
        entry.processId = record_.th32ProcessID;
        // A name without its ending NUL cannot be told: the entry keeps the
        // name it had.
        const std::string_view name(record_.szExeFile, sizeof(record_.szExeFile));
        if (const std::size_t end = name.find('\0'); end != std::string_view::npos) {
            entry.exeName = name.substr(0, end);
        }
        return true;
    }

private:
    HANDLE snapshot_;
    PROCESSENTRY32 record_{};
    bool started_ = false;
};

}  // namespace

std::unique_ptr<ProcessSnapshot> ToolhelpProcessList::TakeSnapshot() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    return std::make_unique<ToolhelpSnapshot>(snapshot);
}

bool ToolhelpProcessList::HasEnded(std::uint32_t processId, std::string_view exeName) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) {
        // No such process; a refusal tells nothing.
        return GetLastError() == ERROR_INVALID_PARAMETER;
    }
    DWORD exitCode = 0;
    char image[MAX_PATH] = {};
    DWORD length = sizeof(image);
    const bool ended = GetExitCodeProcess(process, &exitCode) != FALSE && exitCode != STILL_ACTIVE;
    const bool named = QueryFullProcessImageNameA(process, 0, image, &length) != FALSE;
    CloseHandle(process);
    const std::string_view path(image, named ? length : 0);
    const std::size_t separator = path.find_last_of('\\');
    return ended || (named && !EqualIgnoringAsciiCase(
                                  separator == std::string_view::npos ? path : path.substr(separator + 1), exeName));
}

ProcessHandle Win32ProcessMemory::OpenForReading(std::uint32_t processId) {
    return reinterpret_cast<ProcessHandle>(OpenProcess(kReadAccess, FALSE, processId));
}

bool Win32ProcessMemory::Read(ProcessHandle process, std::uint64_t address, std::span<std::byte> buffer) {
    // No 32-bit process has memory beyond its 4 GiB address space.
    if (address > std::numeric_limits<std::uintptr_t>::max() - buffer.size()) {
        return false;
    }
    SIZE_T bytesRead = 0;
    const BOOL read = ReadProcessMemory(reinterpret_cast<HANDLE>(process),
                                        reinterpret_cast<LPCVOID>(static_cast<std::uintptr_t>(address)), buffer.data(),
                                        buffer.size(), &bytesRead);
    return read != FALSE && bytesRead == buffer.size();
}

bool Win32ProcessMemory::HasExited(ProcessHandle process) {
    DWORD exitCode = 0;
    return process != 0 && GetExitCodeProcess(reinterpret_cast<HANDLE>(process), &exitCode) != FALSE &&
           exitCode != STILL_ACTIVE;
}

void Win32ProcessMemory::Close(ProcessHandle process) {
    if (process != 0) {
        CloseHandle(reinterpret_cast<HANDLE>(process));
    }
}

}  // namespace kerbcall::platform::win32
