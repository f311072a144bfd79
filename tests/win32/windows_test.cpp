// The lists on real controls, the views at every DPI and the program driven by messages and clicks, on a display.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cwchar>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/win32/control_ids.h"
#include "app/win32/views.h"
#include "platform/path_join.h"
#include "tests/fakes/fake_platform.h"
#include "tests/win32/running_simulator.h"

namespace kerbcall::win32_tests {
namespace {

using namespace std::chrono_literals;
using namespace kerbcall::win32;
namespace layout = app::layout;

bool WaitUntil(const std::function<bool()>& condition) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition() && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(20ms);
    }
    return condition();
}

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &result);
    return static_cast<LRESULT>(result);
}

// A window's text, or entry `index` of a list box or combo box, also another program's; folders are indented.
std::string TextOf(HWND window, UINT message = WM_GETTEXT, WPARAM index = MAX_PATH) {
    wchar_t text[MAX_PATH + 1] = {};
    Send(window, message, index, reinterpret_cast<LPARAM>(text));
    const std::string narrow(text, text + std::wcslen(text));
    return narrow.substr(std::min(narrow.find_first_not_of(' '), narrow.size()));
}

std::vector<std::string> EntriesOf(HWND list, bool combo = false) {
    const LRESULT count = Send(list, combo ? CB_GETCOUNT : LB_GETCOUNT);
    std::vector<std::string> entries(static_cast<std::size_t>(std::max<LRESULT>(0, count)));
    for (std::size_t index = 0; index < entries.size(); ++index) {
        entries[index] = TextOf(list, combo ? CB_GETLBTEXT : LB_GETTEXT, index);
    }
    return entries;
}

std::string SelectedDrive(HWND combo) {
    return TextOf(combo, CB_GETLBTEXT, static_cast<WPARAM>(Send(combo, CB_GETCURSEL))).substr(0, 2);
}

// The folder and drive lists on real controls, in lists\ (folders alpha\, Zeta\, file b.ini) beside the tests.
TEST(ListsTest, TheFolderListKeepsEachDrivesLastFolderAndTheDriveListChangesOnlyForAnotherDrive) {
    const std::string root = TestProgramFolder() + "\\lists";
    for (const char* folder : {"", "\\Zeta", "\\alpha"}) {
        CreateDirectoryA((root + folder).c_str(), nullptr);
    }
    std::ofstream(root + "\\b.ini") << "x";
    EXPECT_EQ(platform::JoinPath("C:\\", "*.ini"), "C:\\*.ini");
    EXPECT_EQ(MatchingFiles(root + "\\no such folder", "*.ini"), std::vector<std::string>{});
    HWND list = CreateWindowA("LISTBOX", "", WS_POPUP | LBS_NOTIFY, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
    DirectoryListBox folders(list);
    int changes = 0;
    folders.onChange = [&changes] { ++changes; };
    ASSERT_TRUE(folders.SetPath(root + "\\"));
    EXPECT_EQ(folders.Path(), root);
    EXPECT_FALSE(folders.SetPath(root + "\\no such folder") || folders.SetPath(root + "\\b.ini"));
    EXPECT_EQ(changes, 1);
    ASSERT_TRUE(folders.SetPath(root + "\\Zeta") && folders.SetPath("C:\\") && folders.SetPath(root.substr(0, 2)));
    EXPECT_EQ(folders.Path(), root + "\\Zeta");
    DestroyWindow(list);

    HWND combo =
        CreateWindowA("COMBOBOX", "", WS_POPUP | CBS_DROPDOWNLIST, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
    DriveComboBox drives(combo);
    changes = 0;
    drives.onChange = [&changes] { ++changes; };
    drives.SetDrive(root);
    EXPECT_EQ(drives.Drive(), "z:");  // Wine's drive of the root folder
    // The same drive in either letter case, or a path without a drive.
    for (const char* same : {"z:\\", "Z:\\", "\\\\server\\share"}) {
        drives.SetDrive(same);
    }
    EXPECT_EQ(changes, 1);
    ASSERT_GE(SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
    SendMessageA(combo, CB_SETCURSEL, SendMessageA(combo, CB_GETCURSEL, 0, 0) == 0 ? 1 : 0, 0);
    drives.SelectionChanged();
    EXPECT_NE(drives.Drive(), "z:");
    EXPECT_EQ(changes, 2);
    DestroyWindow(combo);
}

LONG Pixels(int twips, int dpi) { return MulDiv(twips, dpi, layout::kTwipsPerInch); }

// Both windows, made by this test program, which carries the window program's manifest and icon.
class ViewsTest : public testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() { RegisterWindowClasses(); }
    // The main window has no owner that destroys its window.
    void TearDown() override { DestroyWindow(main_.Handle()); }

    // Every control where the shared layout puts it, with its font, at `dpi`.
    void ExpectLaidOut(int dpi) {
        SCOPED_TRACE(std::to_string(dpi) + " DPI");
        for (const auto& [window, client] :
             {std::pair{main_.Handle(), layout::kMainWindowClient}, {chooser_.Handle(), layout::kChooserClient}}) {
            RECT area{};
            GetClientRect(window, &area);
            EXPECT_EQ(std::pair(area.right, area.bottom),
                      std::pair(Pixels(client.width, dpi), Pixels(client.height, dpi)));
        }
        HWND panel = GetDlgItem(chooser_.Handle(), kPicture1Id);
        // The drive list's closed height is set by its font; the panel has none of its own.
        const layout::Place closedDriveList{layout::kDrvList.left, layout::kDrvList.top, layout::kDrvList.width, 0};
        // Each control, where it goes and its font's size in points.
        const std::tuple<HWND, layout::Place, double> controls[] = {
            {GetDlgItem(main_.Handle(), kCommand2Id), layout::kCommand2, 8.0},
            {GetDlgItem(main_.Handle(), kLabel1Id), layout::kLabel1, layout::kLabel1Points},
            {GetDlgItem(main_.Handle(), kStatusId), layout::kLblStatus, 8.0},
            {GetDlgItem(chooser_.Handle(), kSelectId), layout::kCmdSelect, 8.0},
            {GetDlgItem(chooser_.Handle(), kCancelId), layout::kCmdCancel, 8.0},
            {panel, layout::kPicture1, 0},
            {GetDlgItem(panel, kDriveListId), closedDriveList, layout::kPicture1Points},
            {GetDlgItem(panel, kDirectoryListId), layout::kDirList, layout::kPicture1Points},
            {GetDlgItem(panel, kFileListId), layout::kFilList, layout::kPicture1Points},
        };
        for (const auto& [control, place, fontPoints] : controls) {
            SCOPED_TRACE(GetDlgCtrlID(control));
            RECT frame{};
            GetWindowRect(control, &frame);
            MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&frame), 2);
            EXPECT_EQ(frame.left, Pixels(place.left, dpi));
            EXPECT_EQ(frame.top, Pixels(place.top, dpi));
            EXPECT_EQ(frame.right - frame.left, Pixels(place.width, dpi));
            EXPECT_TRUE(place.height == 0 || frame.bottom - frame.top == Pixels(place.height, dpi));
            LOGFONTA font{};
            GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
            EXPECT_EQ(font.lfHeight, -std::lround(fontPoints * dpi / 72.0));
        }
    }

    fakes::FakeProgram program_;
    MainWindowView main_{program_};
    ChooserWindowView chooser_{program_};
};

// Windows tells a window moved onto a monitor of another DPI; Wine has one DPI.
TEST_P(ViewsTest, BothWindowsLayThemselvesOutAtTheirDpiAndAgainAtANewOne) {
    ExpectLaidOut(static_cast<int>(GetDpiForSystem()));  // as created
    const int dpi = GetParam();
    for (HWND window : {main_.Handle(), chooser_.Handle()}) {
        RECT proposed{40, 30, 400, 300};
        SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&proposed));
        RECT frame{};
        GetWindowRect(window, &frame);
        EXPECT_EQ(std::pair(frame.left, frame.top), std::pair(40L, 30L));
    }
    ExpectLaidOut(dpi);
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), "KERBCALL");
    ASSERT_NE(icon, nullptr);
    for (HWND window : {main_.Handle(), chooser_.Handle()}) {
        EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICON)), icon);
        EXPECT_NE(GetClassLongPtrA(window, GCLP_HICONSM), 0);
    }
    // Only the buttons of Common Controls 6 tell their ideal size.
    SIZE ideal{};
    EXPECT_TRUE(Send(GetDlgItem(main_.Handle(), kCommand2Id), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
}

INSTANTIATE_TEST_SUITE_P(Scalings, ViewsTest, testing::Values(96, 120, 144, 192));

// kerbcall.exe in a program folder of its own with note files, a folder of
// tracks and the sound folder; beside them a hidden and a system note file, a
// text file, a hidden folder and a folder named like a note file.
class ProgramTest : public testing::Test {
protected:
    void SetUp() override {
        const std::string source = TestProgramFolder();
        folder_ = source + "\\program " + testing::UnitTest::GetInstance()->current_test_info()->name();
        std::ranges::replace(folder_, '/', ' ');
        for (const char* folder : {"", "\\Tracks", "\\Zuda Vodaz Sounds", "\\old.ini", "\\secret"}) {
            CreateDirectoryA((folder_ + folder).c_str(), nullptr);
        }
        ASSERT_TRUE(CopyFileA((source + "\\kerbcall.exe").c_str(), (folder_ + "\\kerbcall.exe").c_str(), FALSE));
        for (const std::string sound : {"activated", "deactivated", "left3", "right2"}) {
            const std::string path = "\\Zuda Vodaz Sounds\\" + sound + ".mp3";
            CopyFileA((source + path).c_str(), (folder_ + path).c_str(), FALSE);
        }
        for (const char* file :
             {"Monza.ini", "Spa.1967.ini", "lap.INI", "hidden.ini", "sys.ini", "notes.txt", "Tracks\\Imola.ini"}) {
            std::ofstream(folder_ + "\\" + file, std::ios::binary) << "left3.mp3,100\r\nright2.mp3,400\r\n";
        }
        for (const auto& [file, attribute] : {std::pair<const char*, DWORD>{"\\hidden.ini", FILE_ATTRIBUTE_HIDDEN},
                                              {"\\secret", FILE_ATTRIBUTE_HIDDEN},
                                              {"\\sys.ini", FILE_ATTRIBUTE_SYSTEM}}) {
            SetFileAttributesA((folder_ + file).c_str(), attribute);
        }
        program_.emplace("\"" + folder_ + "\\kerbcall.exe\"", false);
        // The main window, shown last, stands in front of the chooser.
        ASSERT_TRUE(WaitUntil([this] {
            main_ = WindowOf(kMainWindowClass);
            chooser_ = WindowOf(kChooserWindowClass);
            return IsWindowVisible(main_) && IsWindowVisible(chooser_);
        }));
        panel_ = GetDlgItem(chooser_, kPicture1Id);
        std::tie(drives_, folders_, files_) = std::tuple(
            GetDlgItem(panel_, kDriveListId), GetDlgItem(panel_, kDirectoryListId), GetDlgItem(panel_, kFileListId));
        std::tie(select_, cancel_) = std::tuple(GetDlgItem(chooser_, kSelectId), GetDlgItem(chooser_, kCancelId));
        std::tie(command2_, label1_) = std::tuple(GetDlgItem(main_, kCommand2Id), GetDlgItem(main_, kLabel1Id));
    }

    HWND WindowOf(const char* windowClass) const {
        HWND window = nullptr;
        DWORD owner = 0;
        while ((window = FindWindowExA(nullptr, window, windowClass, nullptr)) != nullptr &&
               (GetWindowThreadProcessId(window, &owner), owner != program_->ProcessId())) {
        }
        return window;
    }

    bool Ended() const { return program_->EndsWithin(20000); }

    // Clicks a list's entry with the mouse, once or twice, as a user does; returns the entry's index.
    WPARAM ClickEntry(HWND list, const std::string& entry, int clicks) {
        const std::vector<std::string> entries = EntriesOf(list);
        const auto index = static_cast<WPARAM>(std::ranges::find(entries, entry) - entries.begin());
        EXPECT_LT(index, entries.size()) << entry << " is not listed";
        RECT item{};
        Send(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
        const LPARAM point = MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
        const UINT clicked[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
        for (int message = 0; message < clicks * 2; ++message) {
            PostMessageA(list, clicked[message], message % 2 == 0 ? MK_LBUTTON : 0, point);
        }
        return index;
    }

    // Waits for the program's message box (its text has the id 0xFFFF); its caption and text, once OK is pressed.
    std::string AnswerMessageBox() {
        HWND box = nullptr;
        if (!WaitUntil([&] { return !TextOf(GetDlgItem(box = WindowOf("#32770"), 0xFFFF)).empty(); })) {
            return "(no message box)";
        }
        const std::string text = TextOf(box) + ": " + TextOf(GetDlgItem(box, 0xFFFF));
        PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        return text;
    }

    bool FilesListed(const std::vector<std::string>& names) {
        return WaitUntil([&] { return EntriesOf(files_) == names; });
    }

    const std::vector<std::string> kNotes{"lap.INI", "Monza.ini", "Spa.1967.ini"};
    std::string folder_;
    std::optional<RunningProgram> program_;
    HWND main_{}, chooser_{}, panel_{}, drives_{}, folders_{}, files_{}, select_{}, cancel_{}, command2_{}, label1_{};
};

TEST_F(ProgramTest, BothWindowsOpenCentredAwareOfTheirDpiOnTheProgramFolderAndKeepItsDriveAndSelectNeedsAFile) {
    EXPECT_EQ(EntriesOf(files_), kNotes);
    const std::vector<std::string> folders = EntriesOf(folders_);
    const auto open = static_cast<std::size_t>(Send(folders_, LB_GETCURSEL));
    ASSERT_LT(open, folders.size());
    EXPECT_EQ(
        std::vector(folders.begin() + static_cast<std::ptrdiff_t>(open), folders.end()),
        (std::vector<std::string>{folder_.substr(folder_.rfind('\\') + 1), "old.ini", "Tracks", "Zuda Vodaz Sounds"}));
    EXPECT_EQ(SelectedDrive(drives_), "z:");
    EXPECT_FALSE(IsWindowEnabled(select_));
    EXPECT_EQ(GetForegroundWindow(), main_);
    for (HWND window : {main_, chooser_}) {
        EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(window)),
                  DPI_AWARENESS_PER_MONITOR_AWARE);
        RECT frame{};
        GetWindowRect(window, &frame);
        EXPECT_LE(std::abs(frame.left + frame.right - GetSystemMetrics(SM_CXSCREEN)), 1);
        EXPECT_LE(std::abs(frame.top + frame.bottom - GetSystemMetrics(SM_CYSCREEN)), 1);
    }
    // The chooser gives its focus to Cancel while Select is disabled.
    SetForegroundWindow(chooser_);
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    ASSERT_TRUE(WaitUntil([&] {
        return GetGUIThreadInfo(GetWindowThreadProcessId(main_, nullptr), &thread) && thread.hwndActive == chooser_ &&
               thread.hwndFocus == cancel_;
    }));
    // A drive without a medium (scripts/setup-wine maps y: to a missing folder) puts the drive list back.
    const std::vector<std::string> drives = EntriesOf(drives_, true);
    const auto unreachable =
        std::ranges::find_if(drives, [](const std::string& entry) { return entry.starts_with("y:"); });
    ASSERT_NE(unreachable, drives.end());
    Send(drives_, CB_SETCURSEL, static_cast<WPARAM>(unreachable - drives.begin()));
    Send(panel_, WM_COMMAND, MAKEWPARAM(kDriveListId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(drives_));
    EXPECT_EQ(SelectedDrive(drives_), "z:");
    EXPECT_EQ(EntriesOf(files_), kNotes);
    EXPECT_EQ(WindowOf("#32770"), nullptr) << "no message box came up";
    // Select pressed while still enabled after the selection has gone records nothing.
    const auto selectionChanged = [this] {
        Send(panel_, WM_COMMAND, MAKEWPARAM(kFileListId, LBN_SELCHANGE), reinterpret_cast<LPARAM>(files_));
    };
    Send(files_, LB_SETCURSEL, 0);
    selectionChanged();
    ASSERT_TRUE(IsWindowEnabled(select_));
    Send(files_, LB_SETCURSEL, static_cast<WPARAM>(-1));
    Send(select_, BM_CLICK);
    EXPECT_TRUE(IsWindowVisible(chooser_));
    EXPECT_EQ(TextOf(label1_), "");
    selectionChanged();
    EXPECT_FALSE(IsWindowEnabled(select_));
}

TEST_F(ProgramTest, SelectShowsTheTrackNameAndStartThenStopEndsTheProgram) {
    SetForegroundWindow(chooser_);
    ClickEntry(files_, "Spa.1967.ini", 1);
    ASSERT_TRUE(WaitUntil([this] { return IsWindowEnabled(select_) != FALSE; }));
    PostMessageA(select_, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([this] { return !IsWindow(chooser_); }));
    EXPECT_EQ(TextOf(label1_), "Spa");
    RunningSimulator simulator("--early --speed 200");
    PostMessageA(command2_, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([this] { return TextOf(command2_) == "Stop"; }));
    EXPECT_EQ(TextOf(label1_), "Spa activated");
    EXPECT_TRUE(WaitUntil([this] { return TextOf(GetDlgItem(main_, kStatusId)).starts_with("zrl.exe (pid "); }));
    PostMessageA(command2_, BM_CLICK, 0, 0);
    EXPECT_TRUE(Ended());
}

TEST_F(ProgramTest, FoldersOpenOnDoubleClickOrWhenTheFocusLeavesAHighlightedOneAndStartReadsTheFileChosen) {
    SetForegroundWindow(chooser_);
    ClickEntry(files_, "Monza.ini", 1);
    ASSERT_TRUE(WaitUntil([this] { return IsWindowEnabled(select_) != FALSE; }));
    ClickEntry(folders_, "Tracks", 2);
    ASSERT_TRUE(FilesListed({"Imola.ini"}));
    EXPECT_FALSE(IsWindowEnabled(select_));
    // One click only highlights the folder above; Tab moves the focus on and opens the highlighted folder.
    const WPARAM above = ClickEntry(folders_, folder_.substr(folder_.rfind('\\') + 1), 1);
    ASSERT_TRUE(WaitUntil([&] { return Send(folders_, LB_GETCURSEL) == static_cast<LRESULT>(above); }));
    EXPECT_EQ(EntriesOf(files_), (std::vector<std::string>{"Imola.ini"}));
    PostMessageA(folders_, WM_KEYDOWN, VK_TAB, 0);
    ASSERT_TRUE(FilesListed(kNotes));
    ClickEntry(folders_, "Tracks", 2);
    ASSERT_TRUE(FilesListed({"Imola.ini"}));
    ClickEntry(files_, "Imola.ini", 2);
    ASSERT_TRUE(WaitUntil([this] { return !IsWindow(chooser_); }));
    EXPECT_EQ(TextOf(label1_), "Imola");
    // Damaged, only there: its message proves that Start read it.
    std::ofstream(folder_ + "\\Tracks\\Imola.ini", std::ios::binary | std::ios::trunc).close();
    PostMessageA(command2_, BM_CLICK, 0, 0);
    EXPECT_EQ(AnswerMessageBox(), "ZRL Kerbcall: There is an unknown error in the ZRL Kerbcall.ini file");
    EXPECT_TRUE(Ended());
}

// What ends the program, before or during a run after a missing note file.
struct Ending {
    const char* name;
    bool duringRun;
    UINT message;
    WPARAM wParam;
};

void PrintTo(const Ending& ending, std::ostream* out) { *out << ending.name; }

class EndingTest : public ProgramTest, public testing::WithParamInterface<Ending> {};

TEST_P(EndingTest, EndsTheProgram) {
    const Ending& ending = GetParam();
    if (ending.duringRun) {
        PostMessageA(command2_, BM_CLICK, 0, 0);
        EXPECT_EQ(AnswerMessageBox(), "ZRL Kerbcall: Could not find the ZRL Kerbcall.ini File");
        ASSERT_TRUE(WaitUntil([this] { return TextOf(command2_) == "Stop"; }));
        ASSERT_FALSE(program_->EndsWithin(500)) << "the run goes on";
    }
    const ULONGLONG sent = GetTickCount64();
    const bool sessionEnds = ending.message == WM_QUERYENDSESSION || ending.message == WM_ENDSESSION;
    PostMessageA(sessionEnds || ending.message == WM_CLOSE ? main_ : cancel_, ending.message, ending.wParam,
                 static_cast<LPARAM>(ENDSESSION_LOGOFF));
    ASSERT_TRUE(Ended());
    // The session's end runs the stop sequence: the deactivation cue's second passes first.
    EXPECT_TRUE(!sessionEnds || GetTickCount64() - sent >= 900);
}

INSTANTIATE_TEST_SUITE_P(Ways, EndingTest,
                         testing::Values(Ending{"Escape", false, WM_KEYDOWN, VK_ESCAPE},
                                         Ending{"Cancel", true, BM_CLICK, 0}, Ending{"Close", true, WM_CLOSE, 0},
                                         Ending{"QueryEndSession", false, WM_QUERYENDSESSION, TRUE},
                                         Ending{"EndSession", false, WM_ENDSESSION, TRUE}));

}  // namespace
}  // namespace kerbcall::win32_tests
