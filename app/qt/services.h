#pragma once

#include <QTimer>

#include "platform/message_pump.h"
#include "platform/posix/sdl_mci.h"
#include "platform/program.h"

namespace kerbcall::qt {

// Runs the window events from inside the program's loops: those pending, or
// those that come until a deadline, woken by a precise timer.
class QtMessagePump : public platform::MessagePump {
public:
    QtMessagePump();
    void HandlePendingMessages() override;
    void HandleMessagesUntil(Clock::time_point deadline) override;

private:
    QTimer wake_;
};

class QtProgram : public platform::Program {
public:
    explicit QtProgram(posix::SdlMci& mci) : mci_(mci) {}
    std::string Folder() override;
    void ShowInformation(std::string_view text, std::string_view caption) override;
    // Closes the sound device, so that audio written to a file is complete,
    // and exits the process on the spot: no window's close handling runs.
    [[noreturn]] void End() override;

private:
    posix::SdlMci& mci_;
};

}  // namespace kerbcall::qt
