#include "app/qt/stop_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

namespace kerbcall::qt {

namespace {

constexpr std::array kStopSignals = {SIGINT, SIGTERM, SIGHUP};

// The handler may only write to this pipe; the rest happens in the window
// system's message handling, which watches the other end.
std::array<int, 2> signalPipe = {-1, -1};

void NoteStopSignal(int signal) {
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signal);
    static_cast<void>(::write(signalPipe[1], &byte, 1));
    errno = savedErrno;
}

}  // namespace

StopSignals::StopSignals(platform::Program& program) {
    if (::pipe2(signalPipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [&program] { program.End(); });
    struct sigaction action {};
    action.sa_handler = NoteStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kStopSignals) {
        // A signal the program was started to ignore (nohup) stays ignored.
        struct sigaction inherited {};
        if (::sigaction(signal, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN) {
            continue;
        }
        ::sigaction(signal, &action, nullptr);
    }
}

StopSignals::~StopSignals() {
    if (!notifier_) {
        return;
    }
    for (const int signal : kStopSignals) {
        std::signal(signal, SIG_DFL);
    }
    notifier_.reset();
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe = {-1, -1};
}

}  // namespace kerbcall::qt
