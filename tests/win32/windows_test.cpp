// The Windows program's two windows, driven from outside by window messages
// as a user's clicks would drive them. Needs a display (Xvfb under Wine).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/win32/control_ids.h"
#include "app/window_layout.h"
#include "tests/win32/running_simulator.h"

namespace kerbcall::win32_tests {
namespace {

using namespace std::chrono_literals;
using namespace kerbcall::win32;

constexpr auto kPatience = 20s;

bool WaitUntil(const std::function<bool()>& condition) {
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > giveUp) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

std::string Narrow(const std::wstring& text) {
    std::string narrow(text.size() * 4 + 1, '\0');
    narrow.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                                               narrow.data(), static_cast<int>(narrow.size()), nullptr,
                                                               nullptr)));
    return narrow;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &result);
    return static_cast<LRESULT>(result);
}

std::string TextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(Send(window, WM_GETTEXTLENGTH)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return Narrow(text);
}

// The entries of a list box or of a combo box's list.
std::vector<std::string> EntriesOf(HWND list, UINT countMessage, UINT lengthMessage, UINT textMessage) {
    std::vector<std::string> entries;
    const auto count = static_cast<WPARAM>(Send(list, countMessage));
    for (WPARAM index = 0; index < count; ++index) {
        const LRESULT length = Send(list, lengthMessage, index);
        if (length < 0) {  // the list changed meanwhile
            break;
        }
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        const LRESULT copied = Send(list, textMessage, index, reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(std::clamp<LRESULT>(copied, 0, length)));
        const std::string entry = Narrow(text);  // folders are indented by blanks
        entries.push_back(entry.substr(std::min(entry.find_first_not_of(' '), entry.size())));
    }
    return entries;
}

std::vector<std::string> ListEntries(HWND list) { return EntriesOf(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT); }
std::vector<std::string> ComboEntries(HWND combo) {
    return EntriesOf(combo, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

struct WindowSearch {
    DWORD processId;
    const char* windowClass;
    HWND found;
};

BOOL CALLBACK CheckWindow(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    GetClassNameA(window, className, sizeof(className));
    if (owner == search.processId && std::string(className) == search.windowClass) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND TopLevelWindowOf(DWORD processId, const char* windowClass) {
    WindowSearch search{processId, windowClass, nullptr};
    EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Pixels for twips at the screen's DPI, which the program lays out with.
int Pixels(int twips, int axis) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, axis);
    ReleaseDC(nullptr, screen);
    return MulDiv(twips, dpi, 1440);
}

// A program folder of its own for each test, holding kerbcall.exe, note
// files, a folder of tracks and the sound folder.
class WindowsTest : public testing::Test {
protected:
    void SetUp() override {
        const std::string source = TestProgramFolder();
        std::string testName = testing::UnitTest::GetInstance()->current_test_info()->name();
        std::ranges::replace(testName, '/', ' ');
        folder_ = source + "\\program " + testName;
        CreateDirectoryA(folder_.c_str(), nullptr);
        CreateDirectoryA((folder_ + "\\Tracks").c_str(), nullptr);
        CreateDirectoryA((folder_ + "\\Zuda Vodaz Sounds").c_str(), nullptr);
        ASSERT_TRUE(CopyFileA((source + "\\kerbcall.exe").c_str(), (folder_ + "\\kerbcall.exe").c_str(), FALSE));
        for (const char* sound : {"activated.mp3", "deactivated.mp3", "left3.mp3", "right2.mp3"}) {
            CopyFileA((source + "\\Zuda Vodaz Sounds\\" + sound).c_str(),
                      (folder_ + "\\Zuda Vodaz Sounds\\" + sound).c_str(), FALSE);
        }
        for (const char* file : {"Monza.ini", "Spa.1967.ini", "hidden.ini", "notes.txt", "Tracks\\Imola.ini"}) {
            std::ofstream(folder_ + "\\" + file, std::ios::binary) << "left3.mp3,100\r\nright2.mp3,400\r\n";
        }
        SetFileAttributesA((folder_ + "\\hidden.ini").c_str(), FILE_ATTRIBUTE_HIDDEN);
        StartProgram();
    }

    void TearDown() override {
        if (process_.hProcess != nullptr) {
            TerminateProcess(process_.hProcess, 0);
            WaitForSingleObject(process_.hProcess, INFINITE);
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
        }
    }

    void StartProgram() {
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        std::string commandLine = "\"" + folder_ + "\\kerbcall.exe\"";
        ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &process_));
        ASSERT_TRUE(WaitUntil([this] {
            main_ = TopLevelWindowOf(process_.dwProcessId, kMainWindowClass);
            chooser_ = TopLevelWindowOf(process_.dwProcessId, kChooserWindowClass);
            return main_ != nullptr && chooser_ != nullptr && IsWindowVisible(main_) && IsWindowVisible(chooser_);
        }));
        panel_ = GetDlgItem(chooser_, kPicture1Id);
        drives_ = GetDlgItem(panel_, kDriveListId);
        folders_ = GetDlgItem(panel_, kDirectoryListId);
        files_ = GetDlgItem(panel_, kFileListId);
        select_ = GetDlgItem(chooser_, kSelectId);
        cancel_ = GetDlgItem(chooser_, kCancelId);
        command2_ = GetDlgItem(main_, kCommand2Id);
        label1_ = GetDlgItem(main_, kLabel1Id);
    }

    bool Ended() { return WaitForSingleObject(process_.hProcess, 20000) == WAIT_OBJECT_0; }

    // Clicks a list's entry with the mouse, once or twice, as a user does.
    // Returns the entry's index.
    WPARAM ClickEntry(HWND list, const std::string& entry, int clicks) {
        const std::vector<std::string> entries = ListEntries(list);
        const auto found = std::ranges::find(entries, entry);
        if (found == entries.end()) {
            ADD_FAILURE() << entry << " is not listed";
            return 0;
        }
        const auto index = static_cast<WPARAM>(found - entries.begin());
        RECT item{};
        Send(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
        const LPARAM point = MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
        PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
        PostMessageA(list, WM_LBUTTONUP, 0, point);
        if (clicks == 2) {
            PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
            PostMessageA(list, WM_LBUTTONUP, 0, point);
        }
        return index;
    }

    // Waits for the program's message box, reads its caption and text, and
    // presses OK.
    std::string AnswerMessageBox(std::string& caption) {
        HWND box = nullptr;
        if (!WaitUntil([&] { return (box = TopLevelWindowOf(process_.dwProcessId, "#32770")) != nullptr; })) {
            return "(no message box)";
        }
        caption = TextOf(box);
        std::string text;
        for (HWND child = nullptr; (child = FindWindowExA(box, child, "Static", nullptr)) != nullptr;) {
            text = TextOf(child).empty() ? text : TextOf(child);
        }
        HWND ok = FindWindowExA(box, nullptr, "Button", "OK");
        PostMessageA(ok, BM_CLICK, 0, 0);
        return text;
    }

    void Select(HWND list, const std::string& file) {
        ClickEntry(list, file, 1);
        ASSERT_TRUE(WaitUntil([this] { return IsWindowEnabled(select_) != FALSE; }));
        PostMessageA(select_, BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitUntil([this] { return !IsWindow(chooser_); }));
    }

    bool FilesListed(const std::vector<std::string>& names) {
        return WaitUntil([&] { return ListEntries(files_) == names; });
    }

    std::string folder_;
    PROCESS_INFORMATION process_{};
    HWND main_ = nullptr;
    HWND chooser_ = nullptr;
    HWND panel_ = nullptr;
    HWND drives_ = nullptr;
    HWND folders_ = nullptr;
    HWND files_ = nullptr;
    HWND select_ = nullptr;
    HWND cancel_ = nullptr;
    HWND command2_ = nullptr;
    HWND label1_ = nullptr;
};

TEST_F(WindowsTest, BothWindowsOpenCentredAsTheSharedLayoutPutsThemWithTheChooserOnTheProgramFolder) {
    EXPECT_EQ(TextOf(main_), "ZRL Zuda Vodaz v1.1");
    EXPECT_EQ(TextOf(chooser_), ".TRK File Finder");
    EXPECT_EQ(TextOf(command2_), "Start");
    EXPECT_EQ(ListEntries(files_), (std::vector<std::string>{"Monza.ini", "Spa.1967.ini"}));
    const std::vector<std::string> folders = ListEntries(folders_);
    const auto open = static_cast<std::size_t>(Send(folders_, LB_GETCURSEL));
    ASSERT_LT(open + 2, folders.size());
    EXPECT_EQ(folders[open], folder_.substr(folder_.rfind('\\') + 1));
    EXPECT_EQ(folders[open + 1], "Tracks");
    EXPECT_EQ(ComboEntries(drives_).at(static_cast<std::size_t>(Send(drives_, CB_GETCURSEL))).substr(0, 2), "z:");
    EXPECT_FALSE(IsWindowEnabled(select_));
    EXPECT_EQ(GetForegroundWindow(), main_);
    namespace layout = app::layout;
    // The drive list's height is that of its closed box, which its font sets.
    const std::pair<HWND, layout::Place> controls[] = {
        {command2_, layout::kCommand2},
        {label1_, layout::kLabel1},
        {select_, layout::kCmdSelect},
        {cancel_, layout::kCmdCancel},
        {panel_, layout::kPicture1},
        {folders_, layout::kDirList},
        {files_, layout::kFilList},
        {drives_, {layout::kDrvList.left, layout::kDrvList.top, layout::kDrvList.width, 0}},
    };
    for (const auto& [control, place] : controls) {
        RECT frame{};
        GetWindowRect(control, &frame);
        MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&frame), 2);
        EXPECT_EQ(frame.left, Pixels(place.left, LOGPIXELSX)) << GetDlgCtrlID(control);
        EXPECT_EQ(frame.top, Pixels(place.top, LOGPIXELSY)) << GetDlgCtrlID(control);
        EXPECT_EQ(frame.right - frame.left, Pixels(place.width, LOGPIXELSX)) << GetDlgCtrlID(control);
        EXPECT_TRUE(place.height == 0 || frame.bottom - frame.top == Pixels(place.height, LOGPIXELSY));
    }
    for (const auto& [window, client] :
         {std::pair{main_, layout::kMainWindowClient}, {chooser_, layout::kChooserClient}}) {
        RECT area{};
        GetClientRect(window, &area);
        EXPECT_EQ(area.right, Pixels(client.width, LOGPIXELSX));
        EXPECT_EQ(area.bottom, Pixels(client.height, LOGPIXELSY));
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
        return GetGUIThreadInfo(process_.dwThreadId, &thread) && thread.hwndActive == chooser_ &&
               thread.hwndFocus != nullptr;
    }));
    EXPECT_EQ(thread.hwndFocus, cancel_);
}

TEST_F(WindowsTest, SelectShowsTheTrackNameAndStartThenStopEndsTheProgram) {
    SetForegroundWindow(chooser_);
    Select(files_, "Spa.1967.ini");
    EXPECT_EQ(TextOf(label1_), "Spa");
    RunningSimulator simulator("--early --speed 200");
    PostMessageA(command2_, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([this] { return TextOf(command2_) == "Stop"; }));
    EXPECT_EQ(TextOf(label1_), "Spa activated");
    PostMessageA(command2_, BM_CLICK, 0, 0);
    EXPECT_TRUE(Ended());
}

TEST_F(WindowsTest, FoldersOpenOnDoubleClickOrWhenTheFocusLeavesAHighlightedOneAndADoubleClickSelects) {
    SetForegroundWindow(chooser_);
    ClickEntry(files_, "Monza.ini", 1);
    ASSERT_TRUE(WaitUntil([this] { return IsWindowEnabled(select_) != FALSE; }));
    ClickEntry(folders_, "Tracks", 2);
    ASSERT_TRUE(FilesListed({"Imola.ini"}));
    EXPECT_FALSE(IsWindowEnabled(select_));
    // One click only highlights the folder above; Tab then moves the focus on
    // to the file list, and the highlighted folder opens.
    const WPARAM above = ClickEntry(folders_, folder_.substr(folder_.rfind('\\') + 1), 1);
    ASSERT_TRUE(WaitUntil([&] { return Send(folders_, LB_GETCURSEL) == static_cast<LRESULT>(above); }));
    EXPECT_EQ(ListEntries(files_), (std::vector<std::string>{"Imola.ini"}));
    PostMessageA(folders_, WM_KEYDOWN, VK_TAB, 0);
    ASSERT_TRUE(FilesListed({"Monza.ini", "Spa.1967.ini"}));
    ClickEntry(files_, "Monza.ini", 2);
    ASSERT_TRUE(WaitUntil([this] { return !IsWindow(chooser_); }));
    EXPECT_EQ(TextOf(label1_), "Monza");
}

TEST_F(WindowsTest, ADriveThatCannotBeReachedPutsTheDriveListBack) {
    // scripts/setup-wine maps y: to a folder that does not exist.
    const std::vector<std::string> drives = ComboEntries(drives_);
    const auto unreachable =
        std::ranges::find_if(drives, [](const std::string& entry) { return entry.starts_with("y:"); });
    if (unreachable == drives.end()) {
        GTEST_SKIP() << "no drive y: without a medium in this Wine prefix";
    }
    const std::vector<std::string> filesBefore = ListEntries(files_);
    Send(drives_, CB_SETCURSEL, static_cast<WPARAM>(unreachable - drives.begin()));
    Send(panel_, WM_COMMAND, MAKEWPARAM(kDriveListId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(drives_));
    EXPECT_EQ(ComboEntries(drives_).at(static_cast<std::size_t>(Send(drives_, CB_GETCURSEL))).substr(0, 2), "z:");
    EXPECT_EQ(ListEntries(files_), filesBefore);
    EXPECT_EQ(TopLevelWindowOf(process_.dwProcessId, "#32770"), nullptr) << "no message box came up";
}

TEST_F(WindowsTest, TheNoteFileChosenInAnotherFolderIsTheOneRead) {
    // Only the chosen Tracks\Imola.ini exists, and it is damaged: its
    // message proves that Start read it.
    std::ofstream(folder_ + "\\Tracks\\Imola.ini", std::ios::binary | std::ios::trunc).close();
    SetForegroundWindow(chooser_);
    ClickEntry(folders_, "Tracks", 2);
    ASSERT_TRUE(FilesListed({"Imola.ini"}));
    Select(files_, "Imola.ini");
    PostMessageA(command2_, BM_CLICK, 0, 0);
    std::string caption;
    EXPECT_EQ(AnswerMessageBox(caption), "There is an unknown error in the ZRL Kerbcall.ini file");
    EXPECT_TRUE(Ended());
}

TEST_F(WindowsTest, ANoteFileThatVanishedByStartIsReportedAndTheRunGoesOn) {
    SetForegroundWindow(chooser_);
    ClickEntry(folders_, "Tracks", 2);
    ASSERT_TRUE(FilesListed({"Imola.ini"}));
    Select(files_, "Imola.ini");
    ASSERT_TRUE(DeleteFileA((folder_ + "\\Tracks\\Imola.ini").c_str()));
    PostMessageA(command2_, BM_CLICK, 0, 0);
    std::string caption;
    EXPECT_EQ(AnswerMessageBox(caption), "Could not find the ZRL Kerbcall.ini File");
    EXPECT_EQ(caption, "ZRL Kerbcall");
    ASSERT_TRUE(WaitUntil([this] { return TextOf(command2_) == "Stop"; }));
    EXPECT_EQ(TextOf(label1_), "Imola activated");
    EXPECT_EQ(WaitForSingleObject(process_.hProcess, 500), static_cast<DWORD>(WAIT_TIMEOUT));
    PostMessageA(main_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Ended()) << "closing the main window during a run ends the program";
}

class CancelTest : public WindowsTest, public testing::WithParamInterface<bool> {};

TEST_P(CancelTest, CancelOrEscapeEndsTheProgramAtOnceAlsoDuringARun) {
    if (GetParam()) {
        PostMessageA(command2_, BM_CLICK, 0, 0);
        std::string caption;
        EXPECT_EQ(AnswerMessageBox(caption), "Could not find the ZRL Kerbcall.ini File");
        ASSERT_TRUE(WaitUntil([this] { return TextOf(command2_) == "Stop"; }));
        PostMessageA(cancel_, BM_CLICK, 0, 0);
    } else {
        PostMessageA(cancel_, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    EXPECT_TRUE(Ended());
}

INSTANTIATE_TEST_SUITE_P(BeforeAndDuringARun, CancelTest, testing::Bool());

}  // namespace
}  // namespace kerbcall::win32_tests
