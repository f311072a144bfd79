#pragma once

#include "platform/message_pump.h"
#include "platform/posix/sdl_mci.h"
#include "platform/program.h"

namespace kerbcall::qt {

// Runs the window events that are pending, from inside the program's loops.
class QtMessagePump : public platform::MessagePump {
public:
    void HandlePendingMessages() override;
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
