// File search, file reading, the program folder and the message pump.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/win32/win32_platform.h"
#include "tests/win32/running_simulator.h"

namespace kerbcall::win32_tests {
namespace {

using platform::win32::FolderOfExecutable;
using platform::win32::Win32Files;

TEST(Win32FilesTest, FindsAndReadsFilesButNotFoldersOrTooLargeOnes) {
    const std::string folder = TestProgramFolder() + "\\files test";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::ofstream(folder + "\\Monza.ini", std::ios::binary) << "left3.mp3,125\r\n";
    Win32Files files;
    const std::pair<const char*, bool> cases[] = {
        {"\\Monza.ini", true}, {"\\MONZA.INI", true}, {"", true},         {"\\", false},
        {"\\Spa.ini", false},  {"\\*.ini", true},     {"\\*.mp3", false}, {"\\no folder\\Monza.ini", false},
    };
    for (const auto& [path, exists] : cases) {
        EXPECT_EQ(files.FileExists(folder + path), exists) << path;
    }
    EXPECT_EQ(files.ReadWholeFile(folder + "\\Monza.ini"), "left3.mp3,125\r\n");
    EXPECT_EQ(files.ReadWholeFile(folder), std::nullopt);
    EXPECT_EQ(files.ReadWholeFile(folder + "\\Spa.ini"), std::nullopt);
    for (const std::size_t size : {Win32Files::kLargestFile, Win32Files::kLargestFile + 1}) {
        const std::string path = folder + "\\large.ini";
        HANDLE file =
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        LARGE_INTEGER end{};
        end.QuadPart = static_cast<LONGLONG>(size);
        SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
        CloseHandle(file);
        EXPECT_EQ(files.ReadWholeFile(path).has_value(), size == Win32Files::kLargestFile) << size;
        DeleteFileA(path.c_str());
    }
}

TEST(Win32ProgramTest, TheFolderOfAnExecutableKeepsTheBackslashOnlyForADrivesRoot) {
    EXPECT_EQ(FolderOfExecutable("C:\\Games\\Kerbcall\\kerbcall.exe"), "C:\\Games\\Kerbcall");
    EXPECT_EQ(FolderOfExecutable("C:\\kerbcall.exe"), "C:\\");
    EXPECT_EQ(FolderOfExecutable("\\\\server\\share\\kerbcall.exe"), "\\\\server\\share");
    EXPECT_TRUE(Win32Files().FileExists(TestProgramFolder() + "\\kerbcall_win32_tests.exe"));
}

LRESULT CALLBACK CountingWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
        ++*reinterpret_cast<int*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(Win32MessagePumpTest, HandlesEveryPendingMessageAndReturns) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = CountingWindowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KerbcallPumpTest";
    RegisterClassA(&windowClass);
    HWND window =
        CreateWindowA("KerbcallPumpTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    int handled = 0;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&handled));
    for (int i = 0; i < 3; ++i) {
        PostMessageA(window, WM_APP, 0, 0);
    }
    platform::win32::Win32MessagePump pump;
    pump.HandlePendingMessages();
    pump.HandlePendingMessages();
    EXPECT_EQ(handled, 3);
    DestroyWindow(window);
}

}  // namespace
}  // namespace kerbcall::win32_tests
