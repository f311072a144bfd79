#pragma once

#include <chrono>
#include <string>
#include <string_view>

// The few things the two windows need of their controls. Each toolkit's views
// implement them; the handlers in this folder see nothing else of a toolkit.
// A control whose value changes, by the user or by the program, runs the
// owning window's change handler before the setter returns.
namespace kerbcall::app {

class Window {
public:
    virtual ~Window() = default;
    // Shows the window, not modal and without an owner, and brings it forward.
    virtual void Show() = 0;
    // Closes the window for good: it is not shown again while the program runs.
    virtual void Close() = 0;
};

class Button {
public:
    virtual ~Button() = default;
    virtual std::string Caption() const = 0;
    virtual void SetCaption(std::string_view caption) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
};

class Label {
public:
    virtual ~Label() = default;
    virtual std::string Text() const = 0;
    virtual void SetText(std::string_view text) = 0;
};

// Runs the owning window's timer handler every interval once started, from
// the window system's message handling.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void Start(std::chrono::milliseconds interval) = 0;
};

// Lists the machine's drives; Drive() is the chosen one as the directory list
// takes it. Every change of the drive runs drvList_Change.
class DriveList {
public:
    virtual ~DriveList() = default;
    virtual std::string Drive() const = 0;
    // Selects the drive that holds `path`.
    virtual void SetDrive(std::string_view path) = 0;
};

// The open folder with the folders above and inside it. Every change of the
// open folder runs dirList_Change; losing the focus runs dirList_LostFocus.
class DirectoryList {
public:
    virtual ~DirectoryList() = default;
    virtual std::string Path() const = 0;
    // Opens a folder, or the current folder of a drive as DriveList gives it.
    // False, with nothing changed, when it cannot be reached.
    [[nodiscard]] virtual bool SetPath(std::string_view path) = 0;
    // The highlighted entry's full path; the open folder's when that is
    // highlighted or nothing is.
    virtual std::string HighlightedPath() const = 0;
};

// The files of one folder whose names match a pattern, case ignored, hidden
// files left out. Setting the folder or the pattern lists anew with nothing
// selected. Selecting an entry, or taking the selection away, runs
// filList_Click; a double click selects and then runs filList_DblClick.
class FileList {
public:
    virtual ~FileList() = default;
    virtual std::string Path() const = 0;
    virtual void SetPath(std::string_view folder) = 0;
    virtual std::string Pattern() const = 0;
    virtual void SetPattern(std::string_view pattern) = 0;
    // Name and extension of the selected file, no folder; empty when none.
    virtual std::string FileName() const = 0;
};

}  // namespace kerbcall::app
