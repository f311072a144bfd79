// File search, file reading, the program folder and the message pump.
#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <string>

#include "platform/win32/win32_platform.h"
#include "tests/win32/running_simulator.h"

namespace kerbcall::win32_tests {
namespace {

using platform::win32::FolderOfExecutable;
using platform::win32::Win32Files;

// A folder beside the test program with one file in it.
class Win32FilesTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = TestProgramFolder() + "\\files test";
        CreateDirectoryA(folder_.c_str(), nullptr);
        std::ofstream(folder_ + "\\Monza.ini", std::ios::binary) << "left3.mp3,125\r\n";
    }
    std::string folder_;
    Win32Files files_;
};

struct ExistsCase {
    const char* relativePath;
    bool exists;
};

void PrintTo(const ExistsCase& path, std::ostream* out) { *out << '"' << path.relativePath << '"'; }

class FileExistsTest : public Win32FilesTest, public testing::WithParamInterface<ExistsCase> {};

TEST_P(FileExistsTest, FindsFilesAndFoldersButNotAPathEndingInABackslash) {
    EXPECT_EQ(files_.FileExists(folder_ + GetParam().relativePath), GetParam().exists) << GetParam().relativePath;
}

INSTANTIATE_TEST_SUITE_P(Paths, FileExistsTest,
                         testing::Values(ExistsCase{"\\Monza.ini", true}, ExistsCase{"\\MONZA.INI", true},
                                         ExistsCase{"", true}, ExistsCase{"\\", false}, ExistsCase{"\\Spa.ini", false},
                                         ExistsCase{"\\*.ini", true}, ExistsCase{"\\*.mp3", false},
                                         ExistsCase{"\\no folder\\Monza.ini", false}));

TEST_F(Win32FilesTest, ReadsAWholeFileByteForByte) {
    EXPECT_EQ(files_.ReadWholeFile(folder_ + "\\Monza.ini"), "left3.mp3,125\r\n");
}

TEST_F(Win32FilesTest, AFolderOrAMissingFileCannotBeRead) {
    EXPECT_EQ(files_.ReadWholeFile(folder_), std::nullopt);
    EXPECT_EQ(files_.ReadWholeFile(folder_ + "\\Spa.ini"), std::nullopt);
}

TEST_F(Win32FilesTest, AFileLargerThanTheLimitIsNotRead) {
    for (const std::size_t size : {Win32Files::kLargestFile, Win32Files::kLargestFile + 1}) {
        const std::string path = folder_ + "\\large.ini";
        HANDLE file =
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        LARGE_INTEGER end{};
        end.QuadPart = static_cast<LONGLONG>(size);
        SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
        CloseHandle(file);
        const std::optional<std::string> bytes = files_.ReadWholeFile(path);
        EXPECT_EQ(bytes.has_value(), size == Win32Files::kLargestFile) << size;
        DeleteFileA(path.c_str());
    }
}

struct FolderCase {
    const char* executable;
    const char* folder;
};

void PrintTo(const FolderCase& path, std::ostream* out) { *out << path.executable; }

class FolderOfExecutableTest : public testing::TestWithParam<FolderCase> {};

TEST_P(FolderOfExecutableTest, KeepsTheBackslashOnlyForADrivesRoot) {
    EXPECT_EQ(FolderOfExecutable(GetParam().executable), GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(Paths, FolderOfExecutableTest,
                         testing::Values(FolderCase{"C:\\Games\\Kerbcall\\kerbcall.exe", "C:\\Games\\Kerbcall"},
                                         FolderCase{"C:\\kerbcall.exe", "C:\\"},
                                         FolderCase{"\\\\server\\share\\kerbcall.exe", "\\\\server\\share"}));

TEST(Win32ProgramTest, TheFolderHoldsTheRunningProgram) {
    Win32Files files;
    EXPECT_TRUE(files.FileExists(TestProgramFolder() + "\\kerbcall_win32_tests.exe"));
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
    EXPECT_EQ(handled, 3);
    pump.HandlePendingMessages();
    EXPECT_EQ(handled, 3);
    DestroyWindow(window);
}

}  // namespace
}  // namespace kerbcall::win32_tests
