#pragma once

// Controls of the two windows as plain values; a change runs the chooser's
// handler as a toolkit's control would.

#include <cctype>
#include <memory>
#include <set>
#include <string>

#include "app/controls.h"
#include "app/note_file_chooser.h"

namespace kerbcall::fakes {

class FakeWindow : public app::Window {
public:
    int shows = 0;
    bool closed = false;
    void Show() override { ++shows; }
    void Close() override { closed = true; }
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

// As on Windows: "c:" for every path that begins with "C:".
inline std::string DriveOf(std::string_view path) {
    return path.empty() ? "" : std::string{static_cast<char>(std::tolower(static_cast<unsigned char>(path[0]))), ':'};
}

class FakeDriveList : public app::DriveList {
public:
    std::string drive;
    app::FrmFileManager2* form = nullptr;
    std::string Drive() const override { return drive; }
    void SetDrive(std::string_view path) override {
        if (DriveOf(path) != drive) {
            drive = DriveOf(path);
            form->drvList_Change();
        }
    }
};

// Every folder opens but those on unreachable drives; a drive opens on the
// open folder when that is on it, else on its root.
class FakeDirectoryList : public app::DirectoryList {
public:
    std::string path;
    std::set<std::string> unreachableDrives;
    std::string highlighted;  // empty: the open folder
    app::FrmFileManager2* form = nullptr;

    std::string Path() const override { return path; }
    bool SetPath(std::string_view requested) override {
        const std::string drive = DriveOf(requested);
        if (unreachableDrives.contains(drive)) {
            return false;
        }
        std::string target(requested);
        if (target == drive) {
            target = DriveOf(path) == drive ? path : drive + "\\";
        }
        highlighted.clear();
        if (std::exchange(path, target) != target) {
            form->dirList_Change();
        }
        return true;
    }
    std::string HighlightedPath() const override { return highlighted.empty() ? path : highlighted; }
};

class FakeFileList : public app::FileList {
public:
    std::string path;
    std::string pattern;
    std::string selected;
    app::FrmFileManager2* form = nullptr;

    std::string Path() const override { return path; }
    void SetPath(std::string_view folder) override { path = folder, selected.clear(); }
    std::string Pattern() const override { return pattern; }
    void SetPattern(std::string_view value) override { pattern = value, selected.clear(); }
    std::string FileName() const override { return selected; }
    void Click(const std::string& name) {
        selected = name;
        form->filList_Click();
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
    app::FrmFileManager2* form = nullptr;

    app::ChooserControls Controls() override { return {window, cmdSelect, cmdCancel, drvList, dirList, filList}; }
    void RouteEventsTo(app::FrmFileManager2& routed) override {
        form = drvList.form = dirList.form = filList.form = &routed;
    }
};

class FakeChooserViews : public app::ChooserViewFactory {
public:
    FakeChooserView* last = nullptr;
    std::unique_ptr<app::ChooserView> CreateView() override {
        auto view = std::make_unique<FakeChooserView>();
        last = view.get();
        return view;
    }
};

}  // namespace kerbcall::fakes
