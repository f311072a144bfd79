#pragma once

#include <QSocketNotifier>
#include <memory>

#include "platform/program.h"

namespace kerbcall::qt {

// SIGINT, SIGTERM and SIGHUP end the program (Program::End) from the window
// system's message handling, which runs in every state of the program, its
// loops included; during the deactivation cue's second the stop sequence
// ends it. Also where the program was started with these signals ignored.
// One per program.
class StopSignals {
public:
    explicit StopSignals(platform::Program& program);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace kerbcall::qt
