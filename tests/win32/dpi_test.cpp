// The windows at every DPI: laid out in twips at their own DPI, again when
// Windows moves them onto a monitor of another DPI, with the program's icon
// and today's controls. This test program carries the window program's
// manifest and icon.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cmath>
#include <initializer_list>
#include <string>

#include "app/win32/control_ids.h"
#include "app/win32/views.h"
#include "tests/fakes/fake_platform.h"
#include "tests/win32/running_simulator.h"

namespace kerbcall::win32_tests {
namespace {

using namespace kerbcall::win32;
namespace layout = app::layout;

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

int Pixels(int twips, int dpi) { return MulDiv(twips, dpi, layout::kTwipsPerInch); }

struct Placed {
    HWND control;
    layout::Place place;
    double fontPoints;
};

// The window's client area, where its controls stand and how large their
// fonts are, in pixels at `dpi`.
void ExpectLaidOut(HWND window, const layout::Size& client, std::initializer_list<Placed> controls, int dpi) {
    RECT area{};
    GetClientRect(window, &area);
    EXPECT_EQ(area.right, Pixels(client.width, dpi));
    EXPECT_EQ(area.bottom, Pixels(client.height, dpi));
    for (const auto& [control, place, fontPoints] : controls) {
        SCOPED_TRACE(GetDlgCtrlID(control));
        RECT frame{};
        GetWindowRect(control, &frame);
        MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&frame), 2);
        EXPECT_EQ(frame.left, Pixels(place.left, dpi));
        EXPECT_EQ(frame.top, Pixels(place.top, dpi));
        EXPECT_EQ(frame.right - frame.left, Pixels(place.width, dpi));
        EXPECT_EQ(frame.bottom - frame.top, Pixels(place.height, dpi));
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
        EXPECT_EQ(font.lfHeight, -std::lround(fontPoints * dpi / 72.0));
    }
}

// Both windows, made by this test program.
class ViewsTest : public testing::Test {
protected:
    static void SetUpTestSuite() { RegisterWindowClasses(); }
    // The main window has no owner that destroys its window.
    void TearDown() override { DestroyWindow(main_.Handle()); }

    void ExpectBothLaidOut(int dpi) {
        HWND picture1 = GetDlgItem(chooser_.Handle(), kPicture1Id);
        ExpectLaidOut(main_.Handle(), layout::kMainWindowClient,
                      {{GetDlgItem(main_.Handle(), kCommand2Id), layout::kCommand2, 8.0},
                       {GetDlgItem(main_.Handle(), kLabel1Id), layout::kLabel1, layout::kLabel1Points}},
                      dpi);
        ExpectLaidOut(chooser_.Handle(), layout::kChooserClient,
                      {{GetDlgItem(chooser_.Handle(), kSelectId), layout::kCmdSelect, 8.0},
                       {GetDlgItem(picture1, kDirectoryListId), layout::kDirList, layout::kPicture1Points},
                       {GetDlgItem(picture1, kFileListId), layout::kFilList, layout::kPicture1Points}},
                      dpi);
    }

    fakes::FakeProgram program_;
    MainWindowView main_{program_};
    ChooserWindowView chooser_{program_};
};

class DpiTest : public ViewsTest, public testing::WithParamInterface<int> {};

TEST_P(DpiTest, BothWindowsLayThemselvesOutAgainAtANewDpi) {
    {
        SCOPED_TRACE("as created, at the screen's DPI");
        ExpectBothLaidOut(ScreenDpi());
    }
    const int dpi = GetParam();
    for (HWND window : {main_.Handle(), chooser_.Handle()}) {
        RECT proposed{40, 30, 400, 300};
        SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&proposed));
        RECT frame{};
        GetWindowRect(window, &frame);
        EXPECT_EQ(frame.left, 40);
        EXPECT_EQ(frame.top, 30);
    }
    SCOPED_TRACE("after the change to " + std::to_string(dpi) + " DPI");
    ExpectBothLaidOut(dpi);
}

INSTANTIATE_TEST_SUITE_P(Scalings, DpiTest, testing::Values(96, 120, 144, 192));

TEST_F(ViewsTest, BothWindowsCarryTheProgramsIconAndTodaysButtons) {
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), "KERBCALL");
    ASSERT_NE(icon, nullptr);
    for (HWND window : {main_.Handle(), chooser_.Handle()}) {
        EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICON)), icon);
        EXPECT_NE(GetClassLongPtrA(window, GCLP_HICONSM), 0);
    }
    // Only the buttons of Common Controls 6 tell their ideal size.
    SIZE ideal{};
    EXPECT_TRUE(
        SendMessageA(GetDlgItem(main_.Handle(), kCommand2Id), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
}

// The program itself, as Windows sees its window from outside.
TEST(ProgramDpiTest, TheProgramsWindowsFollowTheirMonitorsDpi) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + TestProgramFolder() + "\\kerbcall.exe\"";
    ASSERT_TRUE(
        CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    // Its windows stand once it waits for input.
    WaitForInputIdle(process.hProcess, 20000);
    HWND main = FindWindowA(kMainWindowClass, nullptr);
    DWORD owner = 0;
    GetWindowThreadProcessId(main, &owner);
    EXPECT_EQ(owner, process.dwProcessId);
    EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(main)), DPI_AWARENESS_PER_MONITOR_AWARE);
    RECT area{};
    GetClientRect(main, &area);
    EXPECT_EQ(area.right, Pixels(layout::kMainWindowClient.width, ScreenDpi()));
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace
}  // namespace kerbcall::win32_tests
