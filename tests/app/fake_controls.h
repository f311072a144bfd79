#pragma once

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "app/controls.h"
#include "app/note_file_chooser.h"

namespace kerbcall::fakes {

// A window, button, label or timer.
struct FakeControl : app::Window, app::Button, app::Label, app::Timer {
    explicit FakeControl(std::string initial = "") : text(std::move(initial)) {}
    std::string text;
    bool enabled = true;
    int shows = 0;
    void Show() override { ++shows; }
    void Close() override {}
    std::string Caption() const override { return text; }
    void SetCaption(std::string_view value) override { text = value; }
    bool Enabled() const override { return enabled; }
    void SetEnabled(bool value) override { enabled = value; }
    std::string Text() const override { return text; }
    void SetText(std::string_view value) override { text = value; }
    std::chrono::milliseconds interval{0};
    void Start(std::chrono::milliseconds every) override { interval = every; }
};

struct FakeFileList : app::FileList {
    std::string path;
    std::string pattern;
    std::string selected;
    std::string Path() const override { return path; }
    void SetPath(std::string_view folder) override { selected.clear(), path = folder; }
    std::string Pattern() const override { return pattern; }
    void SetPattern(std::string_view value) override { selected.clear(), pattern = value; }
    std::string FileName() const override { return selected; }
};

// The chooser with its drive and folder lists, running its handlers on a change as a toolkit does: every folder opens
// but those on unreachable drives; a drive opens on the open folder when that is on it, else on its root.
struct FakeChooserView : app::ChooserView, app::DriveList, app::DirectoryList {
    FakeControl window;
    FakeControl cmdSelect;
    FakeControl cmdCancel;
    FakeFileList filList;
    std::string drive;
    std::string path;
    std::set<std::string> unreachableDrives;
    app::FrmFileManager2* form = nullptr;
    app::ChooserControls Controls() override { return {window, cmdSelect, cmdCancel, *this, *this, filList}; }
    void RouteEventsTo(app::FrmFileManager2& routed) override { form = &routed; }
    std::string Drive() const override { return drive; }
    void SetDrive(std::string_view folder) override {
        if (std::exchange(drive, std::string(folder.substr(0, 2))) != drive) {
            form->drvList_Change();
        }
    }
    std::string Path() const override { return path; }
    bool SetPath(std::string_view requested) override {
        const std::string onDrive(requested.substr(0, 2));
        if (unreachableDrives.contains(onDrive)) {
            return false;
        }
        const std::string target =
            requested != onDrive ? std::string(requested) : (path.starts_with(onDrive) ? path : onDrive + "\\");
        if (std::exchange(path, target) != target) {
            form->dirList_Change();
        }
        return true;
    }
    std::string HighlightedPath() const override { return path; }
};

struct FakeChooserViews : app::ChooserViewFactory {
    FakeChooserView* last = nullptr;
    std::set<std::string> unreachableDrives;  // of each view made
    std::unique_ptr<app::ChooserView> CreateView() override {
        last = new FakeChooserView();
        last->unreachableDrives = unreachableDrives;
        return std::unique_ptr<app::ChooserView>(last);
    }
};

}  // namespace kerbcall::fakes
