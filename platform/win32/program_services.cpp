#include "platform/win32/win32_platform.h"

#include <mmsystem.h>
#include <shlobj.h>

#include <chrono>

#include "platform/safe_write.h"

namespace kerbcall::platform::win32 {

bool Win32Files::FileExists(std::string_view sSource) {
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(std::string(sSource).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    FindClose(search);
    return true;
}

std::optional<std::string> Win32Files::ReadWholeFile(std::string_view path) {
    HANDLE file = CreateFileA(std::string(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::optional<std::string> bytes(std::in_place);
    char chunk[64 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof(chunk), &got, nullptr) || bytes->size() + got > kLargestFile) {
            bytes.reset();
            break;
        }
        if (got == 0) {
            break;
        }
        bytes->append(chunk, got);
    }
    CloseHandle(file);
    return bytes;
}

bool Win32Files::IsSpecialOrTooLarge(std::string_view path) {
    HANDLE file = CreateFileA(std::string(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool special = GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
                         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
                         ((std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow) > kLargestFile;
    CloseHandle(file);
    return special;
}

std::int32_t Win32Mci::SendString(std::string_view command) {
    return static_cast<std::int32_t>(mciSendStringA(std::string(command).c_str(), nullptr, 0, nullptr));
}

void Win32Sleeper::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

void DispatchWindowMessage(MSG& message) {
    HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root != nullptr && IsDialogMessageA(root, &message)) {
        return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

void Win32MessagePump::HandlePendingMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchWindowMessage(message);
    }
}

void Win32MessagePump::HandleMessagesUntil(Clock::time_point deadline) {
    for (;;) {
        HandlePendingMessages();
        const auto left = std::chrono::round<std::chrono::milliseconds>(deadline - Clock::now());
        if (left <= std::chrono::milliseconds::zero()) {
            return;
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left.count()), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void Win32MessagePump::BeginFineWaits() { timeBeginPeriod(1); }

void Win32MessagePump::EndFineWaits() { timeEndPeriod(1); }

std::string FolderOfExecutable(std::string_view executablePath) {
    const std::size_t lastSeparator = executablePath.rfind('\\');
    if (lastSeparator == std::string_view::npos) {
        return std::string(executablePath);
    }
    std::string folder(executablePath.substr(0, lastSeparator));
    if (folder.size() == 2 && folder[1] == ':') {
        folder += '\\';
    }
    return folder;
}

std::string Win32Program::Folder() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return FolderOfExecutable(path);
        }
        path.resize(path.size() * 2);
    }
}

void Win32Program::ShowInformation(std::string_view text, std::string_view caption) {
    MessageBoxA(nullptr, std::string(text).c_str(), std::string(caption).c_str(),
                MB_OK | MB_ICONINFORMATION | MB_TASKMODAL);
}

void Win32Program::End() { ExitProcess(0); }

namespace {

// A folder the shell keeps for the user; empty when it tells none.
std::string ShellFolder(int which) {
    char path[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, which, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) {
        return {};
    }
    return path;
}

}  // namespace

std::string Win32UserFolders::SettingsFolder() {
    const std::string appData = ShellFolder(CSIDL_APPDATA);
    return appData.empty() ? appData : appData + "\\Kerbcall";
}

std::vector<std::string> Win32UserFolders::GameDocumentsFolders(std::string_view /*steamAppId*/) {
    std::string documents = ShellFolder(CSIDL_PERSONAL);
    return documents.empty() ? std::vector<std::string>{} : std::vector<std::string>{std::move(documents)};
}

bool Win32UserFolders::WriteSetting(std::string_view name, std::string_view bytes) {
    const std::string folder = SettingsFolder();
    return !folder.empty() && WriteIntoFolder(folder, name, bytes).empty();
}

}  // namespace kerbcall::platform::win32
