#pragma once

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/win32/win32_platform.h"

namespace kerbcall::win32_tests {

// The folder of the test program, as the platform reports it.
inline std::string TestProgramFolder() { return platform::win32::Win32Program().Folder(); }

// A program started by a test, ended when this goes out of scope; with
// `untilFirstOutput`, once the program wrote its first byte.
class RunningProgram {
public:
    RunningProgram(const std::string& command, bool untilFirstOutput) {
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE readEnd = nullptr, writeEnd = nullptr;
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        const bool piped = untilFirstOutput && CreatePipe(&readEnd, &writeEnd, &inheritable, 0);
        if (piped) {
            SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdOutput = writeEnd;
            startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        }
        std::string commandLine = command;  // CreateProcessA may write to it
        bool ready = piped == untilFirstOutput && CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                                                 nullptr, nullptr, &startup, &process_);
        if (piped) {
            CloseHandle(writeEnd);
            char firstByte = 0;
            DWORD got = 0;
            ready = ready && ReadFile(readEnd, &firstByte, 1, &got, nullptr) && got == 1;
            CloseHandle(readEnd);
        }
        if (!ready) {
            Stop();
            throw std::runtime_error("could not start " + commandLine);
        }
    }
    ~RunningProgram() { Stop(); }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    std::uint32_t ProcessId() const { return process_.dwProcessId; }
    bool EndsWithin(DWORD milliseconds) const { return WaitForSingleObject(process_.hProcess, milliseconds) == 0; }
    // Ends the program and waits until it has exited.
    void Stop() {
        if (process_.hProcess != nullptr) {
            TerminateProcess(process_.hProcess, 0);
            WaitForSingleObject(process_.hProcess, INFINITE);
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
            process_ = {};
        }
    }

private:
    PROCESS_INFORMATION process_{};
};

// The stand-in simulator zrl.exe from beside the test program, once its memory holds the values.
class RunningSimulator : public RunningProgram {
public:
    explicit RunningSimulator(const std::string& arguments)
        : RunningProgram("\"" + TestProgramFolder() + "\\zrl.exe\" " + arguments, true) {}
};

}  // namespace kerbcall::win32_tests
