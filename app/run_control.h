#pragma once

#include <functional>

#include "platform/program.h"

namespace kerbcall::app {

// Runs one window event's handler. A run-time error that no handler takes is
// reported in a message box captioned with the program title and ends the
// program.
void HandleEvent(platform::Program& program, const std::function<void()>& handler);

}  // namespace kerbcall::app
