#include "app/win32/win32_controls.h"

#include <algorithm>
#include <cctype>

#include "platform/path_join.h"

namespace kerbcall::win32 {

using platform::JoinPath;

namespace {

bool LessIgnoringCase(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; }

bool IsDriveRoot(std::string_view path) { return path.size() == 3 && path[1] == ':' && path[2] == '\\'; }

}  // namespace

HWND CreateControl(HWND parent, const char* windowClass, const char* text, DWORD style, int id, DWORD exStyle) {
    return CreateWindowExA(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

std::string WindowText(HWND window) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

namespace {

template <typename Keep>
std::vector<std::string> FindNames(const std::string& search, Keep keep) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    HANDLE handle = FindFirstFileA(search.c_str(), &found);
    if (handle == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if (keep(found)) {
            names.emplace_back(found.cFileName);
        }
    } while (FindNextFileA(handle, &found));
    FindClose(handle);
    std::ranges::sort(names, LessIgnoringCase);
    return names;
}

constexpr DWORD kLeftOut = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

}  // namespace

std::vector<std::string> SubfoldersOf(const std::string& folder) {
    return FindNames(JoinPath(folder, "*"), [](const WIN32_FIND_DATAA& found) {
        const std::string_view name(found.cFileName);
        return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && (found.dwFileAttributes & kLeftOut) == 0 &&
               name != "." && name != "..";
    });
}

std::vector<std::string> MatchingFiles(const std::string& folder, const std::string& pattern) {
    return FindNames(JoinPath(folder, pattern), [](const WIN32_FIND_DATAA& found) {
        return (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | kLeftOut)) == 0;
    });
}

void TopLevelWindow::Show() {
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    BringWindowToTop(window_);
}

void TopLevelWindow::Close() {
    ShowWindow(window_, SW_HIDE);
    PostMessageA(window_, kDiscardMessage, 0, 0);
}

void PushButton::SetCaption(std::string_view caption) { SetWindowTextA(button_, std::string(caption).c_str()); }

void PushButton::SetEnabled(bool enabled) {
    if (!enabled && GetFocus() == button_) {
        // A disabled button cannot keep the focus: it moves on in tab order.
        SetFocus(GetNextDlgTabItem(GetAncestor(button_, GA_ROOT), button_, FALSE));
    }
    EnableWindow(button_, enabled ? TRUE : FALSE);
}

void TextLabel::SetText(std::string_view text) { SetWindowTextA(label_, std::string(text).c_str()); }

DriveComboBox::DriveComboBox(HWND combo) : combo_(combo) {
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        if ((drives & (1U << (letter - 'a'))) == 0) {
            continue;
        }
        std::string entry{letter, ':'};
        const std::string root = entry + "\\";
        char volumeName[MAX_PATH + 1] = {};
        // Only fixed drives are asked for their name: a removable one without
        // a medium would keep the list waiting.
        if (GetDriveTypeA(root.c_str()) == DRIVE_FIXED &&
            GetVolumeInformationA(root.c_str(), volumeName, sizeof(volumeName), nullptr, nullptr, nullptr, nullptr,
                                  0) &&
            volumeName[0] != '\0') {
            entry += std::string(" [") + volumeName + "]";
        }
        const LRESULT index = SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
        SendMessageA(combo_, CB_SETITEMDATA, static_cast<WPARAM>(index), letter);
    }
}

void DriveComboBox::SetDrive(std::string_view path) {
    if (path.size() < 2 || path[1] != ':') {
        return;
    }
    Choose(static_cast<char>(std::tolower(static_cast<unsigned char>(path[0]))));
}

void DriveComboBox::SelectionChanged() {
    const LRESULT index = SendMessageA(combo_, CB_GETCURSEL, 0, 0);
    if (index != CB_ERR) {
        Choose(static_cast<char>(SendMessageA(combo_, CB_GETITEMDATA, static_cast<WPARAM>(index), 0)));
    }
}

void DriveComboBox::Choose(char letter) {
    const std::string drive{letter, ':'};
    const LRESULT count = SendMessageA(combo_, CB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        if (SendMessageA(combo_, CB_GETITEMDATA, static_cast<WPARAM>(index), 0) == letter) {
            SendMessageA(combo_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        }
    }
    if (drive == drive_) {
        return;
    }
    drive_ = drive;
    if (onChange) {
        onChange();
    }
}

namespace {

// The full path of a folder as Windows writes it, without a trailing "\"
// except on a drive's root; empty when it cannot be formed.
std::string FullFolderPath(const std::string& path) {
    char full[MAX_PATH * 2];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof(full), full, nullptr);
    if (length == 0 || length >= sizeof(full)) {
        return {};
    }
    std::string folder(full, length);
    if (folder.size() >= 2 && folder[1] == ':') {
        folder[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(folder[0])));
    }
    while (folder.size() > 1 && folder.back() == '\\' && !IsDriveRoot(folder)) {
        folder.pop_back();
    }
    return folder;
}

// The folder above `path`; empty for a drive's root or a share.
std::string ParentOf(const std::string& path) {
    if (IsDriveRoot(path) || (path.starts_with("\\\\") && std::ranges::count(path, '\\') <= 3)) {
        return {};
    }
    const std::size_t cut = path.rfind('\\');
    if (cut == std::string::npos) {
        return {};
    }
    return cut == 2 && path[1] == ':' ? path.substr(0, 3) : path.substr(0, cut);
}

std::string LastComponent(const std::string& path) {
    if (IsDriveRoot(path)) {
        return {static_cast<char>(std::tolower(static_cast<unsigned char>(path[0]))), ':', '\\'};
    }
    return path.substr(path.rfind('\\') + 1);
}

}  // namespace

bool DirectoryListBox::SetPath(std::string_view requested) {
    std::string target(requested);
    const int drive =
        target.size() == 2 && target[1] == ':' ? std::tolower(static_cast<unsigned char>(target[0])) - 'a' : -1;
    if (drive >= 0 && drive < 26 && !currentFolders_[static_cast<std::size_t>(drive)].empty()) {
        target = currentFolders_[static_cast<std::size_t>(drive)];
    }
    target = FullFolderPath(target);
    const DWORD attributes = target.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return false;
    }
    if (target[1] == ':' && target[0] >= 'A' && target[0] <= 'Z') {
        currentFolders_[static_cast<std::size_t>(target[0] - 'A')] = target;
    }
    if (lstrcmpiA(target.c_str(), path_.c_str()) == 0) {
        List();
        return true;
    }
    path_ = target;
    List();
    if (onChange) {
        onChange();
    }
    return true;
}

std::string DirectoryListBox::HighlightedPath() const {
    const LRESULT index = SendMessageA(list_, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR || static_cast<std::size_t>(index) >= entryPaths_.size()) {
        return path_;
    }
    return entryPaths_[static_cast<std::size_t>(index)];
}

void DirectoryListBox::DoubleClicked() { static_cast<void>(SetPath(HighlightedPath())); }

void DirectoryListBox::LostFocus() {
    if (onLostFocus) {
        onLostFocus();
    }
}

void DirectoryListBox::List() {
    std::vector<std::string> above;
    for (std::string folder = path_; !folder.empty(); folder = ParentOf(folder)) {
        above.insert(above.begin(), folder);
    }
    entryPaths_.clear();
    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list_, LB_RESETCONTENT, 0, 0);
    const auto add = [this](const std::string& path, std::size_t depth) {
        const std::string entry = std::string(depth * 3, ' ') + LastComponent(path);
        SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
        entryPaths_.push_back(path);
    };
    for (std::size_t depth = 0; depth < above.size(); ++depth) {
        add(above[depth], depth);
    }
    const std::size_t openEntry = entryPaths_.size() - 1;
    for (const std::string& name : SubfoldersOf(path_)) {
        add(JoinPath(path_, name), above.size());
    }
    SendMessageA(list_, LB_SETCURSEL, openEntry, 0);
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

void FileListBox::SetPath(std::string_view folder) {
    path_ = folder;
    List();
}

void FileListBox::SetPattern(std::string_view pattern) {
    pattern_ = pattern;
    List();
}

std::string FileListBox::FileName() const {
    const LRESULT index = SendMessageA(list_, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR) {
        return {};
    }
    std::string name(static_cast<std::size_t>(SendMessageA(list_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0)) + 1,
                     '\0');
    name.resize(static_cast<std::size_t>(
        SendMessageA(list_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(name.data()))));
    return name;
}

void FileListBox::SelectionChanged() {
    if (onClick) {
        onClick();
    }
}

void FileListBox::DoubleClicked() {
    if (onDoubleClick) {
        onDoubleClick();
    }
}

void FileListBox::List() {
    SendMessageA(list_, LB_RESETCONTENT, 0, 0);
    if (path_.empty()) {
        return;
    }
    for (const std::string& name : MatchingFiles(path_, pattern_)) {
        SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
}

}  // namespace kerbcall::win32
