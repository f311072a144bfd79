#pragma once

// Controls of the two windows for tests: plain values that run the owning
// window's handlers as a toolkit's controls would, with helpers that act as
// the user does.

#include <cctype>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/note_file_chooser.h"

namespace kerbcall::fakes {

class FakeWindow : public app::Window {
public:
    int shows = 0;
    bool closed = false;
    // Every Show and Close, in order, across the windows sharing the log.
    std::vector<std::string>* log = nullptr;
    std::string name;

    void Show() override {
        ++shows;
        if (log != nullptr) {
            log->push_back("show " + name);
        }
    }
    void Close() override {
        closed = true;
        if (log != nullptr) {
            log->push_back("close " + name);
        }
    }
};

class FakeButton : public app::Button {
public:
    explicit FakeButton(std::string text) : caption(std::move(text)) {}
    std::string caption;
    bool enabled = true;

    std::string Caption() const override { return caption; }
    void SetCaption(std::string_view text) override { caption = text; }
    bool Enabled() const override { return enabled; }
    void SetEnabled(bool value) override { enabled = value; }
};

class FakeLabel : public app::Label {
public:
    std::string text;
    std::string Text() const override { return text; }
    void SetText(std::string_view value) override { text = value; }
};

// Drives as on Windows: "c:" for every path that begins with "C:".
inline std::string DriveOf(std::string_view path) {
    if (path.size() < 2 || path[1] != ':') {
        return "";
    }
    return {static_cast<char>(std::tolower(static_cast<unsigned char>(path[0]))), ':'};
}

class FakeDriveList : public app::DriveList {
public:
    std::string drive;
    std::function<void()> onChange;

    std::string Drive() const override { return drive; }
    void Pick(const std::string& driveText) { SetDrive(driveText); }
    void SetDrive(std::string_view path) override {
        if (DriveOf(path) != drive) {
            drive = DriveOf(path);
            onChange();
        }
    }
};

class FakeDirectoryList : public app::DirectoryList {
public:
    std::string path;
    std::set<std::string> folders;                      // every folder that can be opened
    std::set<std::string> unreachableDrives;            // e.g. "a:" without a medium
    std::map<std::string, std::string> currentFolders;  // per drive
    std::string highlighted;                            // empty: the open folder
    std::function<void()> onChange;
    std::function<void()> onLostFocus;

    std::string Path() const override { return path; }

    bool SetPath(std::string_view requested) override {
        const std::string drive = DriveOf(requested);
        if (unreachableDrives.contains(drive)) {
            return false;
        }
        std::string target(requested);
        if (target == drive) {
            target = currentFolders.contains(drive) ? currentFolders[drive] : drive + "\\";
        } else if (!folders.contains(target)) {
            return false;
        }
        highlighted.clear();
        currentFolders[drive] = target;
        if (target != path) {
            path = target;
            onChange();
        }
        return true;
    }

    std::string HighlightedPath() const override { return highlighted.empty() ? path : highlighted; }
    void DoubleClick(const std::string& folder) { static_cast<void>(SetPath(folder)); }
    void LoseFocus() { onLostFocus(); }
};

class FakeFileList : public app::FileList {
public:
    std::string path;
    std::string pattern = "*.*";
    std::string selected;
    std::function<void()> onClick;
    std::function<void()> onDoubleClick;

    std::string Path() const override { return path; }
    void SetPath(std::string_view folder) override {
        path = folder;
        selected.clear();
    }
    std::string Pattern() const override { return pattern; }
    void SetPattern(std::string_view value) override {
        pattern = value;
        selected.clear();
    }
    std::string FileName() const override { return selected; }

    void Click(const std::string& name) {
        selected = name;
        onClick();
    }
    void DoubleClick(const std::string& name) {
        Click(name);
        onDoubleClick();
    }
};

class FakeChooserView : public app::ChooserView {
public:
    FakeWindow window;
    FakeButton cmdSelect{"Select"};
    FakeButton cmdCancel{"Cancel"};
    FakeDriveList drvList;
    FakeDirectoryList dirList;
    FakeFileList filList;

    app::ChooserControls Controls() override { return {window, cmdSelect, cmdCancel, drvList, dirList, filList}; }

    void RouteEventsTo(app::FrmFileManager2& form) override {
        drvList.onChange = [&form] { form.drvList_Change(); };
        dirList.onChange = [&form] { form.dirList_Change(); };
        dirList.onLostFocus = [&form] { form.dirList_LostFocus(); };
        filList.onClick = [&form] { form.filList_Click(); };
        filList.onDoubleClick = [&form] { form.filList_DblClick(); };
        form_ = &form;
    }

    // The user presses a button; a disabled one does nothing.
    void PressSelect() {
        if (cmdSelect.enabled) {
            form_->cmdSelect_Click();
        }
    }
    void PressCancel() { form_->cmdCancel_Click(); }

private:
    app::FrmFileManager2* form_ = nullptr;
};

// Creates fake chooser views that share one folder layout.
class FakeChooserViews : public app::ChooserViewFactory {
public:
    std::function<void(FakeChooserView&)> prepare;
    FakeChooserView* last = nullptr;

    std::unique_ptr<app::ChooserView> CreateView() override {
        auto view = std::make_unique<FakeChooserView>();
        if (prepare) {
            prepare(*view);
        }
        last = view.get();
        return view;
    }
};

}  // namespace kerbcall::fakes
