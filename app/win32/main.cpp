// Kerbcall for Windows: the main window and the note file chooser on the
// Windows services.
#include <windows.h>

#include "app/main_window.h"
#include "app/run_control.h"
#include "app/win32/views.h"
#include "platform/win32/win32_platform.h"

namespace {

// Program-wide, like the note table it holds.
kerbcall::Globals globals;

int RunProgram() {
    using namespace kerbcall;
    // A drive without a medium fails quietly, without a system error box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    win32::RegisterWindowClasses();

    platform::win32::Win32Platform windows;
    platform::Services services = windows.Bundle();
    win32::MainWindowView mainView(windows.program);
    win32::ChooserViews chooserViews(windows.program);
    app::StartupForm form(globals, services, mainView.Controls(), chooserViews);
    mainView.RouteEventsTo(form);
    app::HandleEvent(windows.program, [&form] { form.Form_Load(); });
    // Shown after the chooser, and so in front of it.
    form.Show();

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        platform::win32::DispatchWindowMessage(message);
    }
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    kerbcall::platform::win32::Win32Program program;
    int exitCode = 0;
    kerbcall::app::HandleEvent(program, [&exitCode] { exitCode = RunProgram(); });
    return exitCode;
}
