#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "app/main_window.h"
#include "app/note_file_chooser.h"
#include "app/win32/dpi_layout.h"
#include "app/win32/win32_controls.h"
#include "platform/program.h"

namespace kerbcall::win32 {

// Registers the window classes of the two windows; once per program.
void RegisterWindowClasses();

// The main window StartupForm, created hidden: the Start/Stop button, the
// track label and the run's status line.
class MainWindowView {
public:
    explicit MainWindowView(platform::Program& program);
    MainWindowView(const MainWindowView&) = delete;
    MainWindowView& operator=(const MainWindowView&) = delete;

    app::MainWindowControls Controls() { return {window_, command2_, label1_, lblStatus_, tmrStatus_}; }
    // From now on the button and close requests run the form's handlers.
    void RouteEventsTo(app::StartupForm& form) { form_ = &form; }
    HWND Handle() const { return handle_; }

    static constexpr app::layout::Size kClient = app::layout::kMainWindowClient;
    // Fonts and controls for `dpi`.
    void LayOut(int dpi);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    // Every close request, however it comes, runs the form's close handling.
    void QueryUnload(std::int16_t unloadMode);

    platform::Program& program_;
    app::StartupForm* form_ = nullptr;
    HWND handle_;
    ScaledFont buttonFont_;
    ScaledFont labelFont_;
    TopLevelWindow window_;
    PushButton command2_;
    TextLabel label1_;
    TextLabel lblStatus_;
    WindowTimer tmrStatus_;
    HWND focus_ = nullptr;
};

// The note file chooser FrmFileManager2, created hidden.
class ChooserWindowView final : public app::ChooserView {
public:
    explicit ChooserWindowView(platform::Program& program);
    ~ChooserWindowView() override;
    ChooserWindowView(const ChooserWindowView&) = delete;
    ChooserWindowView& operator=(const ChooserWindowView&) = delete;

    app::ChooserControls Controls() override { return {window_, cmdSelect_, cmdCancel_, drvList_, dirList_, filList_}; }
    void RouteEventsTo(app::FrmFileManager2& form) override;
    HWND Handle() const { return handle_; }

    static constexpr app::layout::Size kClient = app::layout::kChooserClient;
    // Fonts and controls for `dpi`.
    void LayOut(int dpi);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    void Command(int control, int notification);

    platform::Program& program_;
    app::FrmFileManager2* form_ = nullptr;
    HWND handle_;
    HBRUSH background_;
    ScaledFont buttonFont_;
    ScaledFont panelFont_;
    TopLevelWindow window_;
    // In tab order: Select, Cancel, the panel and its three lists.
    PushButton cmdSelect_;
    PushButton cmdCancel_;
    HWND picture1_;
    DriveComboBox drvList_;
    DirectoryListBox dirList_;
    FileListBox filList_;
    HWND focus_ = nullptr;
};

class ChooserViews final : public app::ChooserViewFactory {
public:
    explicit ChooserViews(platform::Program& program) : program_(program) {}
    std::unique_ptr<app::ChooserView> CreateView() override { return std::make_unique<ChooserWindowView>(program_); }

private:
    platform::Program& program_;
};

}  // namespace kerbcall::win32
