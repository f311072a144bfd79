// The list controls of the chooser on real Win32 list boxes.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <string>
#include <vector>

#include "app/win32/win32_controls.h"
#include "platform/path_join.h"
#include "tests/win32/running_simulator.h"

namespace kerbcall::win32_tests {
namespace {

using namespace kerbcall::win32;

// A folder tree beside the test program:
//   lists\  b.ini  A.INI  c.txt  hidden.ini (hidden)  sys.ini (system)
//           Zeta\  alpha\  secret\ (hidden)  folder.ini\ (a folder)
class ListControlsTest : public testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA(root_.c_str(), nullptr);
        for (const char* folder : {"Zeta", "alpha", "secret", "folder.ini"}) {
            CreateDirectoryA((root_ + "\\" + folder).c_str(), nullptr);
        }
        for (const char* file : {"b.ini", "A.INI", "c.txt", "hidden.ini", "sys.ini"}) {
            std::ofstream(root_ + "\\" + file) << "x";
        }
        SetFileAttributesA((root_ + "\\hidden.ini").c_str(), FILE_ATTRIBUTE_HIDDEN);
        SetFileAttributesA((root_ + "\\sys.ini").c_str(), FILE_ATTRIBUTE_SYSTEM);
        SetFileAttributesA((root_ + "\\secret").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
        ASSERT_NE(list_, nullptr);
    }
    void TearDown() override { DestroyWindow(list_); }

    std::vector<std::string> Entries() const {
        std::vector<std::string> entries;
        for (WPARAM index = 0; index < static_cast<WPARAM>(SendMessageA(list_, LB_GETCOUNT, 0, 0)); ++index) {
            std::string text(static_cast<std::size_t>(SendMessageA(list_, LB_GETTEXTLEN, index, 0)) + 1, '\0');
            text.resize(static_cast<std::size_t>(
                SendMessageA(list_, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()))));
            entries.push_back(text.substr(text.find_first_not_of(' ')));
        }
        return entries;
    }

    std::string root_ = TestProgramFolder() + "\\lists";
    HWND list_ = CreateWindowA("LISTBOX", "", WS_POPUP | LBS_NOTIFY, 0, 0, 200, 200, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
};

TEST_F(ListControlsTest, TheFileListShowsMatchingVisibleFilesWithNothingSelected) {
    EXPECT_EQ(platform::JoinPath("C:\\", "*.ini"), "C:\\*.ini");
    EXPECT_EQ(platform::JoinPath("C:\\Games", "*.ini"), "C:\\Games\\*.ini");
    EXPECT_EQ(MatchingFiles(root_ + "\\no such folder", "*.ini"), std::vector<std::string>{});
    FileListBox files(list_);
    files.SetPath(root_);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"A.INI", "b.ini", "c.txt"}));
    files.SetPattern("*.ini");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"A.INI", "b.ini"}));
    SendMessageA(list_, LB_SETCURSEL, 1, 0);
    EXPECT_EQ(files.FileName(), "b.ini");
    files.SetPath(root_ + "\\alpha");
    EXPECT_EQ(Entries(), std::vector<std::string>{});
    EXPECT_EQ(files.FileName(), "");
}

TEST_F(ListControlsTest, TheDirectoryListOpensFoldersAndKeepsEachDrivesLastOne) {
    DirectoryListBox folders(list_);
    int changes = 0;
    folders.onChange = [&changes] { ++changes; };
    ASSERT_TRUE(folders.SetPath(root_ + "\\"));
    EXPECT_EQ(folders.Path(), root_);
    const std::vector<std::string> entries = Entries();
    ASSERT_GE(entries.size(), 4U);
    EXPECT_EQ(std::vector<std::string>(entries.end() - 4, entries.end()),
              (std::vector<std::string>{"lists", "alpha", "folder.ini", "Zeta"}));
    SendMessageA(list_, LB_SETCURSEL, entries.size() - 3, 0);
    EXPECT_EQ(folders.HighlightedPath(), root_ + "\\alpha");
    folders.DoubleClicked();
    EXPECT_EQ(folders.Path(), root_ + "\\alpha");
    EXPECT_FALSE(folders.SetPath(root_ + "\\no such folder"));
    EXPECT_FALSE(folders.SetPath(root_ + "\\b.ini"));
    EXPECT_EQ(changes, 2);
    ASSERT_TRUE(folders.SetPath(root_ + "\\Zeta"));
    ASSERT_TRUE(folders.SetPath("C:\\"));
    ASSERT_TRUE(folders.SetPath(root_.substr(0, 2)));
    EXPECT_EQ(folders.Path(), root_ + "\\Zeta");
}

TEST(DriveComboBoxTest, ListsTheDrivesAndRunsTheChangeOnlyForAnotherDrive) {
    HWND combo = CreateWindowA("COMBOBOX", "", WS_POPUP | CBS_DROPDOWNLIST, 0, 0, 200, 200, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    DriveComboBox drives(combo);
    int changes = 0;
    drives.onChange = [&changes] { ++changes; };
    const std::string folder = TestProgramFolder();
    const std::string drive{static_cast<char>(std::tolower(static_cast<unsigned char>(folder[0]))), ':'};
    drives.SetDrive(folder);
    EXPECT_EQ(drives.Drive(), drive);
    // The same drive in another letter case, or a path without a drive.
    drives.SetDrive(std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0])))) + ":\\");
    drives.SetDrive("\\\\server\\share");
    EXPECT_EQ(changes, 1);
    const auto chosen = static_cast<WPARAM>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
    ASSERT_GE(SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
    SendMessageA(combo, CB_SETCURSEL, chosen == 0 ? 1 : 0, 0);
    drives.SelectionChanged();
    EXPECT_NE(drives.Drive(), drive);
    EXPECT_EQ(changes, 2);
    DestroyWindow(combo);
}

}  // namespace
}  // namespace kerbcall::win32_tests
