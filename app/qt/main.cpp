// Kerbcall: the program is its main window. It answers --help and --version
// before it touches a display, and takes no other argument.

#include <QApplication>
#include <QDirIterator>
#include <QIcon>
#include <QTimer>
#include <iostream>
#include <optional>
#include <string_view>

#include "app/qt/services.h"
#include "app/qt/stop_signals.h"
#include "app/qt/views.h"
#include "app/run_control.h"
#include "kerbcall/version.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_sleeper.h"
#include "platform/posix/posix_udp.h"
#include "platform/posix/proc_mem_reader.h"
#include "platform/posix/proc_process_list.h"
#include "platform/posix/sdl_mci.h"
#include "platform/posix/xdg_user_folders.h"

namespace {

constexpr char kUsage[] =
    "usage: kerbcall [--help | --version]\n"
    "Calls out pace notes while a racing simulator runs: pick a note file in the\n"
    "chooser, press Start and drive. Sounds are taken from \"Zuda Vodaz Sounds\" in\n"
    "$XDG_DATA_HOME/kerbcall (by default ~/.local/share/kerbcall), then from the one\n"
    "beside the program.\n"
    "  -h, --help     print this help and exit\n"
    "  --version      print the version and exit\n";

// The desktop entry's name, which ties the windows to it.
constexpr char kDesktopEntry[] = "org.kerbcall.Kerbcall";

// The exit status once the arguments are answered; nullopt to run.
std::optional<int> AnswerArguments(int argc, char** argv) {
    if (argc < 2) {
        return std::nullopt;
    }
    const std::string_view argument = argv[1];
    if (argc == 2 && (argument == "--help" || argument == "-h")) {
        std::cout << kUsage;
        return 0;
    }
    if (argc == 2 && argument == "--version") {
        std::cout << "kerbcall " << kerbcall::kVersion << '\n';
        return 0;
    }
    std::cerr << "kerbcall: " << (argc == 2 ? "unknown argument " + std::string(argument) : "one argument at most")
              << '\n'
              << kUsage;
    return 2;
}

// Kerbcall's icon at every size drawn, for the windows and the desktop.
QIcon ProgramIcon() {
    QIcon icon;
    for (QDirIterator image(QStringLiteral(":/icon")); image.hasNext();) {
        icon.addFile(image.next());
    }
    return icon;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kerbcall;
    if (const std::optional<int> answered = AnswerArguments(argc, argv)) {
        return *answered;
    }
    int argumentCount = 1;
    char programName[] = "kerbcall";
    char* arguments[] = {programName, nullptr};
    QApplication application(argumentCount, arguments);
    // The windows' class, which docks match with the entry's StartupWMClass;
    // their titles end in " — Kerbcall".
    QApplication::setApplicationName(QString::fromLatin1(kDesktopEntry));
    QApplication::setApplicationDisplayName(QStringLiteral("Kerbcall"));
    QApplication::setDesktopFileName(QString::fromLatin1(kDesktopEntry));
    QApplication::setWindowIcon(ProgramIcon());
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
        posix::XdgUserFolders userFolders;
        posix::PosixUdp udp;
        platform::Services services{processes, memory, files, mci, sleeper, pump, program, userFolders, udp};
        qt::ProgramWindows windows(services);
        // The sound server's stream runs from here on, so that Start is
        // heard at once; the device opens meanwhile.
        mci.PrepareOutput();
        QApplication::exec();
    });
    program.End();
}
