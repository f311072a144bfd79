#include "tests/win32/running_simulator.h"

#include <stdexcept>

#include "platform/win32/win32_platform.h"

namespace kerbcall::win32_tests {

std::string TestProgramFolder() { return platform::win32::Win32Program().Folder(); }

RunningProgram::RunningProgram(const std::string& command, bool untilFirstOutput) {
    std::string commandLine = command;  // CreateProcessA may write to it
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    const bool piped = untilFirstOutput && CreatePipe(&readEnd, &writeEnd, &inheritable, 0);
    if (piped) {
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writeEnd;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
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

RunningProgram::~RunningProgram() { Stop(); }

void RunningProgram::Stop() {
    if (process_.hProcess == nullptr) {
        return;
    }
    TerminateProcess(process_.hProcess, 0);
    WaitForSingleObject(process_.hProcess, INFINITE);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
    process_ = {};
}

}  // namespace kerbcall::win32_tests
