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

// The height of a control's font in pixels, from its point size at `dpi`.
void ExpectFont(HWND control, double points, int dpi) {
    LOGFONTA font{};
    ASSERT_NE(GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof(font), &font), 0);
    EXPECT_EQ(font.lfHeight, -std::lround(points * dpi / 72.0)) << GetDlgCtrlID(control);
}

struct Placed {
    HWND control;
    layout::Place place;
};

// The window's client area and where its controls stand, in pixels at `dpi`.
void ExpectLaidOut(HWND window, const layout::Size& client, std::initializer_list<Placed> controls, int dpi) {
    RECT area{};
    GetClientRect(window, &area);
    EXPECT_EQ(area.right, Pixels(client.width, dpi));
    EXPECT_EQ(area.bottom, Pixels(client.height, dpi));
    for (const auto& [control, place] : controls) {
        RECT frame{};
        GetWindowRect(control, &frame);
        MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&frame), 2);
        EXPECT_EQ(frame.left, Pixels(place.left, dpi)) << GetDlgCtrlID(control);
        EXPECT_EQ(frame.top, Pixels(place.top, dpi)) << GetDlgCtrlID(control);
        EXPECT_EQ(frame.right - frame.left, Pixels(place.width, dpi)) << GetDlgCtrlID(control);
        EXPECT_EQ(frame.bottom - frame.top, Pixels(place.height, dpi)) << GetDlgCtrlID(control);
    }
}

// Destroys a view's window while the view still lives.
struct WindowCloser {
    HWND window;
    ~WindowCloser() { DestroyWindow(window); }
};

class DpiTest : public testing::TestWithParam<int> {
protected:
    void SetUp() override { RegisterWindowClasses(); }
    fakes::FakeProgram program_;
};

TEST_P(DpiTest, BothWindowsLayThemselvesOutAgainAtANewDpi) {
    MainWindowView main(program_);
    const WindowCloser closeMain{main.Handle()};
    ChooserWindowView chooser(program_);
    HWND command2 = GetDlgItem(main.Handle(), kCommand2Id);
    HWND label1 = GetDlgItem(main.Handle(), kLabel1Id);
    HWND select = GetDlgItem(chooser.Handle(), kSelectId);
    HWND picture1 = GetDlgItem(chooser.Handle(), kPicture1Id);
    HWND folders = GetDlgItem(picture1, kDirectoryListId);
    HWND files = GetDlgItem(picture1, kFileListId);

    const auto expectAt = [&](int dpi) {
        ExpectLaidOut(main.Handle(), layout::kMainWindowClient,
                      {{command2, layout::kCommand2}, {label1, layout::kLabel1}}, dpi);
        ExpectLaidOut(chooser.Handle(), layout::kChooserClient,
                      {{select, layout::kCmdSelect},
                       {picture1, layout::kPicture1},
                       {folders, layout::kDirList},
                       {files, layout::kFilList}},
                      dpi);
        ExpectFont(command2, 8.0, dpi);
        ExpectFont(label1, layout::kLabel1Points, dpi);
        ExpectFont(select, 8.0, dpi);
        ExpectFont(files, layout::kPicture1Points, dpi);
    };
    {
        SCOPED_TRACE("as created, at the screen's DPI");
        expectAt(ScreenDpi());
    }

    const int dpi = GetParam();
    for (HWND window : {main.Handle(), chooser.Handle()}) {
        RECT proposed{40, 30, 400, 300};
        SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&proposed));
        RECT frame{};
        GetWindowRect(window, &frame);
        EXPECT_EQ(frame.left, 40);
        EXPECT_EQ(frame.top, 30);
    }
    SCOPED_TRACE("after the change to " + std::to_string(dpi) + " DPI");
    expectAt(dpi);
}

INSTANTIATE_TEST_SUITE_P(Scalings, DpiTest, testing::Values(96, 120, 144, 192));

TEST(WindowLookTest, BothWindowsCarryTheProgramsIconAndTodaysButtons) {
    RegisterWindowClasses();
    fakes::FakeProgram program;
    MainWindowView main(program);
    const WindowCloser closeMain{main.Handle()};
    ChooserWindowView chooser(program);
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), "KERBCALL");
    ASSERT_NE(icon, nullptr);
    for (HWND window : {main.Handle(), chooser.Handle()}) {
        EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICON)), icon);
        EXPECT_NE(GetClassLongPtrA(window, GCLP_HICONSM), 0);
    }
    // Only the buttons of Common Controls 6 tell their ideal size.
    SIZE ideal{};
    EXPECT_TRUE(
        SendMessageA(GetDlgItem(main.Handle(), kCommand2Id), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
}

// The program itself, as Windows sees its windows from outside.
TEST(ProgramDpiTest, TheProgramsWindowsFollowTheirMonitorsDpi) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + TestProgramFolder() + "\\kerbcall.exe\"";
    ASSERT_TRUE(
        CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    WaitForInputIdle(process.hProcess, 20000);
    HWND main = nullptr;
    for (int tries = 0; tries < 1000 && main == nullptr; ++tries) {
        HWND found = FindWindowA(kMainWindowClass, nullptr);
        DWORD owner = 0;
        GetWindowThreadProcessId(found, &owner);
        main = owner == process.dwProcessId ? found : nullptr;
        Sleep(20);
    }
    ASSERT_NE(main, nullptr);
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
