#pragma once

#include <QFrame>
#include <QWidget>
#include <memory>

#include "app/main_window.h"
#include "app/note_file_chooser.h"
#include "app/qt/controls.h"
#include "platform/program.h"

namespace kerbcall::qt {

// Shows a window centred on its screen the first time, and brings it forward.
class TopLevelWindow : public QWidget, public app::Window {
public:
    explicit TopLevelWindow(platform::Program& program);
    void Show() override;
    void Close() override;

protected:
    platform::Program& program_;

private:
    bool placed_ = false;
    bool closed_ = false;
};

// "ZRL Zuda Vodaz v1.1": the Start/Stop button, the track label and the
// run's status line.
class MainWindowView : public TopLevelWindow {
public:
    explicit MainWindowView(platform::Program& program);

    app::MainWindowControls Controls() { return {*this, Command2, Label1, lblStatus, tmrStatus}; }
    void RouteEventsTo(app::StartupForm& form);

    PushButton Command2;
    TextLabel Label1;
    ElidingLabel lblStatus;
    IntervalTimer tmrStatus;

protected:
    // Every close request goes to the form, which ends the program.
    void closeEvent(QCloseEvent* event) override;

private:
    app::StartupForm* form_ = nullptr;
};

// ".TRK File Finder": drive, folder and file lists on a panel, Select and
// Cancel below. Escape is Cancel; closing by the frame only hides it.
class ChooserWindow : public TopLevelWindow, public app::ChooserView {
public:
    // `driveRoots` defaults to the mounted volumes.
    ChooserWindow(platform::Program& program, std::vector<QString> driveRoots = {});

    app::ChooserControls Controls() override { return {*this, cmdSelect, cmdCancel, drvList, dirList, filList}; }
    void RouteEventsTo(app::FrmFileManager2& form) override;

    QFrame Picture1;
    DriveComboBox drvList;
    DirectoryListWidget dirList;
    FileListWidget filList;
    PushButton cmdSelect;
    PushButton cmdCancel;
};

class ChooserWindows : public app::ChooserViewFactory {
public:
    explicit ChooserWindows(platform::Program& program) : program_(program) {}
    std::unique_ptr<app::ChooserView> CreateView() override;

private:
    platform::Program& program_;
};

// The program's windows over its form, loaded, the main window shown.
struct ProgramWindows {
    explicit ProgramWindows(platform::Services& services);

    Globals globals;
    MainWindowView mainWindow;
    ChooserWindows chooserWindows;
    app::StartupForm form;
};

}  // namespace kerbcall::qt
