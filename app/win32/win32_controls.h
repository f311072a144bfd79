#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/controls.h"

namespace kerbcall::win32 {

// A child control of `parent`, to be placed by the window's layout.
HWND CreateControl(HWND parent, const char* windowClass, const char* text, DWORD style, int id, DWORD exStyle = 0);

std::string WindowText(HWND window);

// A top-level window: Show brings it forward; Close hides it at once and
// discards it as soon as the message that asked for the close is handled.
class TopLevelWindow final : public app::Window {
public:
    // Posted to a window to discard it.
    static constexpr UINT kDiscardMessage = WM_APP + 1;

    explicit TopLevelWindow(HWND window) : window_(window) {}
    void Show() override;
    void Close() override;

private:
    HWND window_;
};

class PushButton final : public app::Button {
public:
    explicit PushButton(HWND button) : button_(button) {}
    std::string Caption() const override { return WindowText(button_); }
    void SetCaption(std::string_view caption) override;
    bool Enabled() const override { return IsWindowEnabled(button_) != FALSE; }
    void SetEnabled(bool enabled) override;

private:
    HWND button_;
};

class TextLabel final : public app::Label {
public:
    explicit TextLabel(HWND label) : label_(label) {}
    std::string Text() const override { return WindowText(label_); }
    void SetText(std::string_view text) override;

private:
    HWND label_;
};

// A timer of a window: WM_TIMER with its id comes to the window every
// interval once started.
class WindowTimer final : public app::Timer {
public:
    WindowTimer(HWND window, UINT_PTR id) : window_(window), id_(id) {}
    void Start(std::chrono::milliseconds interval) override {
        SetTimer(window_, id_, static_cast<UINT>(interval.count()), nullptr);
    }

private:
    HWND window_;
    UINT_PTR id_;
};

// A drop-down list of the machine's drives ("c:", with the volume name of a
// fixed drive). Drive() is the chosen drive as "c:".
class DriveComboBox final : public app::DriveList {
public:
    explicit DriveComboBox(HWND combo);
    std::function<void()> onChange;

    std::string Drive() const override { return drive_; }
    void SetDrive(std::string_view path) override;
    // The user picked an entry.
    void SelectionChanged();

private:
    void Choose(char letter);

    HWND combo_;
    std::string drive_;
};

// The open folder with the folders above it and inside it, one indented entry
// each. A double click opens the entry; a single click or the arrow keys only
// highlight it. Each drive keeps the folder last opened on it as its current
// folder.
class DirectoryListBox final : public app::DirectoryList {
public:
    explicit DirectoryListBox(HWND list) : list_(list) {}
    std::function<void()> onChange;
    std::function<void()> onLostFocus;

    std::string Path() const override { return path_; }
    bool SetPath(std::string_view path) override;
    std::string HighlightedPath() const override;
    void DoubleClicked();
    void LostFocus();

private:
    void List();

    HWND list_;
    std::string path_;
    std::vector<std::string> entryPaths_;
    std::vector<std::string> currentFolders_ = std::vector<std::string>(26);
};

// The files of one folder that match a pattern, in name order, with hidden
// and system files left out.
class FileListBox final : public app::FileList {
public:
    explicit FileListBox(HWND list) : list_(list) {}
    std::function<void()> onClick;
    std::function<void()> onDoubleClick;

    std::string Path() const override { return path_; }
    void SetPath(std::string_view folder) override;
    std::string Pattern() const override { return pattern_; }
    void SetPattern(std::string_view pattern) override;
    std::string FileName() const override;
    void SelectionChanged();
    void DoubleClicked();

private:
    void List();

    HWND list_;
    std::string path_;
    std::string pattern_ = "*.*";
};

// The folders inside `folder`, in name order, letter case ignored.
std::vector<std::string> SubfoldersOf(const std::string& folder);

// The files of `folder` that match `pattern`, in name order, letter case
// ignored, hidden and system files left out.
std::vector<std::string> MatchingFiles(const std::string& folder, const std::string& pattern);

}  // namespace kerbcall::win32
