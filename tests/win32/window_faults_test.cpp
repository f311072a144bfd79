// The Windows program, in a program folder of its own, sent what once went
// wrong: the end of the Windows session, and Select with no file selected.
// Needs a display (Xvfb under Wine).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "app/win32/control_ids.h"
#include "tests/win32/running_simulator.h"

namespace kerbcall::win32_tests {
namespace {

using namespace kerbcall::win32;

struct ClassSearch {
    const char* windowClass;
    HWND found;
};

BOOL CALLBACK CheckClass(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<ClassSearch*>(parameter);
    char className[64] = {};
    GetClassNameA(window, className, sizeof(className));
    if (lstrcmpA(className, search.windowClass) == 0) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

class WindowFaultsTest : public testing::Test {
protected:
    void SetUp() override {
        std::string folder =
            TestProgramFolder() + "\\faults " + testing::UnitTest::GetInstance()->current_test_info()->name();
        std::ranges::replace(folder, '/', ' ');
        CreateDirectoryA(folder.c_str(), nullptr);
        ASSERT_TRUE(
            CopyFileA((TestProgramFolder() + "\\kerbcall.exe").c_str(), (folder + "\\kerbcall.exe").c_str(), FALSE));
        std::ofstream(folder + "\\Monza.ini", std::ios::binary) << "left3.mp3,100\r\n";
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        std::string commandLine = "\"" + folder + "\\kerbcall.exe\"";
        ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &process_));
        // Both windows stand once the main window, shown last, is visible.
        const ULONGLONG giveUp = GetTickCount64() + 60000;
        while (!IsWindowVisible(main_ = WindowOf(kMainWindowClass)) && GetTickCount64() < giveUp) {
            Sleep(20);
        }
        chooser_ = WindowOf(kChooserWindowClass);
        ASSERT_TRUE(IsWindowVisible(main_));
        ASSERT_TRUE(IsWindowVisible(chooser_));
    }

    void TearDown() override {
        TerminateProcess(process_.hProcess, 0);
        WaitForSingleObject(process_.hProcess, INFINITE);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }

    HWND WindowOf(const char* windowClass) const {
        ClassSearch search{windowClass, nullptr};
        EnumThreadWindows(process_.dwThreadId, CheckClass, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    static LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &result);
        return static_cast<LRESULT>(result);
    }

    PROCESS_INFORMATION process_{};
    HWND main_ = nullptr;
    HWND chooser_ = nullptr;
};

class SessionEndTest : public WindowFaultsTest, public testing::WithParamInterface<UINT> {};

TEST_P(SessionEndTest, RunsTheStopSequenceAndEndsTheProgram) {
    const ULONGLONG sent = GetTickCount64();
    Send(main_, GetParam(), TRUE, static_cast<LPARAM>(ENDSESSION_LOGOFF));
    ASSERT_EQ(WaitForSingleObject(process_.hProcess, 20000), WAIT_OBJECT_0);
    // The deactivation cue's second passed before the end.
    EXPECT_GE(GetTickCount64() - sent, 900U);
}

INSTANTIATE_TEST_SUITE_P(Messages, SessionEndTest, testing::Values(WM_QUERYENDSESSION, WM_ENDSESSION));

TEST_F(WindowFaultsTest, SelectWithNothingSelectedDoesNothing) {
    HWND panel = GetDlgItem(chooser_, kPicture1Id);
    HWND files = GetDlgItem(panel, kFileListId);
    HWND select = GetDlgItem(chooser_, kSelectId);
    const auto selectionChanged = [&] {
        Send(panel, WM_COMMAND, MAKEWPARAM(kFileListId, LBN_SELCHANGE), reinterpret_cast<LPARAM>(files));
    };
    Send(files, LB_SETCURSEL, 0);
    selectionChanged();
    ASSERT_TRUE(IsWindowEnabled(select));

    // The selection gone, Select pressed while still enabled records nothing.
    Send(files, LB_SETCURSEL, static_cast<WPARAM>(-1));
    Send(select, BM_CLICK);
    EXPECT_TRUE(IsWindowVisible(chooser_));
    EXPECT_EQ(GetWindowTextLengthA(GetDlgItem(main_, kLabel1Id)), 0);
    selectionChanged();
    EXPECT_FALSE(IsWindowEnabled(select));
}

}  // namespace
}  // namespace kerbcall::win32_tests
