#include "tests/win32/running_simulator.h"

#include <stdexcept>

#include "platform/win32/win32_platform.h"

namespace kerbcall::win32_tests {

std::string TestProgramFolder() { return platform::win32::Win32Program().Folder(); }

RunningSimulator::RunningSimulator(const std::string& arguments) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        throw std::runtime_error("no pipe for the simulator's output");
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::string commandLine = "\"" + TestProgramFolder() + "\\zrl.exe\" " + arguments;
    const BOOL started =
        CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process_);
    CloseHandle(writeEnd);
    // The simulator writes its first line once its memory holds the values.
    char firstByte = 0;
    DWORD got = 0;
    const BOOL ready = started && ReadFile(readEnd, &firstByte, 1, &got, nullptr) && got == 1;
    CloseHandle(readEnd);
    if (!ready) {
        Stop();
        throw std::runtime_error("the stand-in simulator did not start: " + commandLine);
    }
}

RunningSimulator::~RunningSimulator() { Stop(); }

void RunningSimulator::Stop() {
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
