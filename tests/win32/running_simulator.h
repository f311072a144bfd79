#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace kerbcall::win32_tests {

// The stand-in simulator zrl.exe, started from beside the test program with
// the given arguments and ended when this goes out of scope. The constructor
// returns once the simulator has set up its memory.
class RunningSimulator {
public:
    explicit RunningSimulator(const std::string& arguments);
    ~RunningSimulator();
    RunningSimulator(const RunningSimulator&) = delete;
    RunningSimulator& operator=(const RunningSimulator&) = delete;

    std::uint32_t ProcessId() const { return process_.dwProcessId; }
    // Ends the simulator and waits until it has exited.
    void Stop();

private:
    PROCESS_INFORMATION process_{};
};

// The folder of the test program, as the platform reports it.
std::string TestProgramFolder();

}  // namespace kerbcall::win32_tests
