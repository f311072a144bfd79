// Kerbcall: takes no arguments and reads no settings; the program is its
// main window.

#include <QApplication>

#include "app/qt/services.h"
#include "app/qt/stop_signals.h"
#include "app/qt/views.h"
#include "app/run_control.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_sleeper.h"
#include "platform/posix/proc_mem_reader.h"
#include "platform/posix/proc_process_list.h"
#include "platform/posix/sdl_mci.h"

int main() {
    using namespace kerbcall;
    int argumentCount = 1;
    char programName[] = "kerbcall";
    char* arguments[] = {programName, nullptr};
    QApplication application(argumentCount, arguments);
    // The main window's close request ends the program itself.
    QApplication::setQuitOnLastWindowClosed(false);

    posix::SdlMci mci;
    qt::QtProgram program(mci);
    const qt::StopSignals stopSignals(program);
    app::HandleEvent(program, [&] {
        posix::ProcFsProcessList processes;
        posix::ProcMemReader memory;
        posix::PosixFiles files;
        posix::PosixSleeper sleeper;
        qt::QtMessagePump pump;
        platform::Services services{processes, memory, files, mci, sleeper, pump, program};
        qt::ProgramWindows windows(services);
        // The sound server's stream runs from here on, so that Start is
        // heard at once; the device opens meanwhile.
        mci.PrepareOutput();
        QApplication::exec();
    });
    program.End();
}
