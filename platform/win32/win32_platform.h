#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/services.h"

namespace kerbcall::platform::win32 {

// The process list through the Toolhelp calls, with the ANSI record.
class ToolhelpProcessList final : public ProcessList {
public:
    std::unique_ptr<ProcessSnapshot> TakeSnapshot() override;
    // Through the process's exit code and image name.
    bool HasEnded(std::uint32_t processId, std::string_view exeName) override;
};

// Memory of another process through OpenProcess and ReadProcessMemory.
class Win32ProcessMemory final : public ProcessMemory {
public:
    // PROCESS_QUERY_INFORMATION | PROCESS_VM_READ.
    static constexpr DWORD kReadAccess = 0x410;

    ProcessHandle OpenForReading(std::uint32_t processId) override;
    bool Read(ProcessHandle process, std::uint64_t address, std::span<std::byte> buffer) override;
    // Through the exit code, which the read access may query.
    bool HasExited(ProcessHandle process) override;
    void Close(ProcessHandle process) override;
};

class Win32Files final : public Files {
public:
    bool FileExists(std::string_view sSource) override;
    // nullopt for a folder, a missing file, one that cannot be read and one
    // larger than kLargestFile.
    std::optional<std::string> ReadWholeFile(std::string_view path) override;
    // Through a handle that may read nothing: a device or a pipe opens
    // without waiting.
    bool IsSpecialOrTooLarge(std::string_view path) override;
};

class Win32Mci final : public Mci {
public:
    std::int32_t SendString(std::string_view command) override;
};

class Win32Sleeper final : public Sleeper {
public:
    void Sleep(std::uint32_t milliseconds) override;
};

class Win32MessagePump final : public MessagePump {
public:
    void HandlePendingMessages() override;
    // Sleeps in MsgWaitForMultipleObjectsEx, which any message wakes.
    void HandleMessagesUntil(Clock::time_point deadline) override;
    // The system timer ticks every 15.6 ms unless asked for 1 ms.
    void BeginFineWaits() override;
    void EndFineWaits() override;
};

class Win32Program final : public Program {
public:
    std::string Folder() override;
    void ShowInformation(std::string_view text, std::string_view caption) override;
    [[noreturn]] void End() override;
};

// The program folder is the user's own, for sounds too; settings go to
// %APPDATA%\Kerbcall.
class Win32UserFolders final : public UserFolders {
public:
    std::string DataFolder() override { return {}; }
    std::string SettingsFolder() override;
    bool WriteSetting(std::string_view name, std::string_view bytes) override;
    // The user's Documents, wherever the shell keeps it.
    std::vector<std::string> GameDocumentsFolders(std::string_view steamAppId) override;
};

// UDP through Winsock, started with the first socket.
class Win32Udp final : public Udp {
public:
    Win32Udp() = default;
    ~Win32Udp() override;
    Win32Udp(const Win32Udp&) = delete;
    Win32Udp& operator=(const Win32Udp&) = delete;
    std::unique_ptr<UdpSocket> Open(std::string_view address, std::uint16_t port, std::string& problem) override;

private:
    bool started_ = false;
};

// Every Windows service of the program in one place.
struct Win32Platform {
    ToolhelpProcessList processes;
    Win32ProcessMemory memory;
    Win32Files files;
    Win32Mci mci;
    Win32Sleeper sleeper;
    Win32MessagePump pump;
    Win32Program program;
    Win32UserFolders userFolders;
    Win32Udp udp;

    Services Bundle() { return Services{processes, memory, files, mci, sleeper, pump, program, userFolders, udp}; }
};

// Hands one message to its window, letting the keyboard move between the
// controls of the program's windows (Tab, Escape) as in a dialog box.
void DispatchWindowMessage(MSG& message);

// The folder part of an executable's full path as Windows writes it: what
// stands before the last "\", with the "\" kept for a drive's root ("C:\").
std::string FolderOfExecutable(std::string_view executablePath);

}  // namespace kerbcall::platform::win32
