#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace kerbcall::win32_tests {

// A program started by a test, ended when this goes out of scope; with
// `untilFirstOutput`, once the program wrote its first byte.
class RunningProgram {
public:
    RunningProgram(const std::string& commandLine, bool untilFirstOutput);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    std::uint32_t ProcessId() const { return process_.dwProcessId; }
    // Whether the program ended within `milliseconds`.
    bool EndsWithin(DWORD milliseconds) const { return WaitForSingleObject(process_.hProcess, milliseconds) == 0; }
    // Ends the program and waits until it has exited.
    void Stop();

private:
    PROCESS_INFORMATION process_{};
};

// The folder of the test program, as the platform reports it.
std::string TestProgramFolder();

// The stand-in simulator zrl.exe from beside the test program, once its memory holds the values.
class RunningSimulator : public RunningProgram {
public:
    explicit RunningSimulator(const std::string& arguments)
        : RunningProgram("\"" + TestProgramFolder() + "\\zrl.exe\" " + arguments, true) {}
};

}  // namespace kerbcall::win32_tests
