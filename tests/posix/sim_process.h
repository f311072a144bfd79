#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kerbcall::posix::testing {

// Starts the program `words` name (looked up on PATH unless a path is given)
// with its standard output to `output` when that is open; a terminal becomes
// its controlling terminal and standard input as well.
pid_t StartProcess(std::vector<std::string> words, int output = -1);
// Sends the signal and waits for the end; nothing for a process id of 0 or less.
void EndProcess(pid_t process, int signal);

// A kerbcall-sim child process, ready (its memory mapped and its first line
// written) when the constructor returns. The destructor ends it.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int output_ = -1;
};

// The path of a test data file.
std::string TestData(const std::string& name);

}  // namespace kerbcall::posix::testing
