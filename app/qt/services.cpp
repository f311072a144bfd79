#include "app/qt/services.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <thread>

#include "platform/posix/program_folder.h"

namespace kerbcall::qt {

namespace {
QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
}  // namespace

QtMessagePump::QtMessagePump() {
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
}

void QtMessagePump::HandlePendingMessages() { QCoreApplication::processEvents(); }

void QtMessagePump::HandleMessagesUntil(Clock::time_point deadline) {
    // Timers count whole milliseconds: a wait rounds to the nearest one, and
    // less than half of one is not waited for.
    bool handled = false;
    for (;;) {
        const auto left = std::chrono::round<std::chrono::milliseconds>(deadline - Clock::now());
        if (left <= std::chrono::milliseconds::zero()) {
            break;
        }
        wake_.start(left);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        handled = true;
    }
    wake_.stop();
    if (!handled) {
        HandlePendingMessages();
    }
}

std::string QtProgram::Folder() { return posix::ProgramFolder(); }

void QtProgram::ShowInformation(std::string_view text, std::string_view caption) {
    QMessageBox box(QMessageBox::Information, FromUtf8(caption), FromUtf8(text), QMessageBox::Ok);
    box.exec();
}

void QtProgram::End() {
    // A sound server that stopped answering holds the device's close for
    // ever: the program ends without waiting for it past a second.
    auto closed = std::make_shared<std::promise<void>>();
    std::future<void> done = closed->get_future();
    std::thread([this, closed] {
        mci_.CloseDevice();
        closed->set_value();
    }).detach();
    done.wait_for(std::chrono::seconds(1));
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}

}  // namespace kerbcall::qt
