#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kerbcall::posix::testing {

// Starts `words` (the program looked up on PATH unless a path) with standard output to `output`
// when that is open; a terminal becomes its controlling terminal and standard input as well.
pid_t StartProcess(std::vector<std::string> words, int output = -1);
// Sends the signal and waits for the end; nothing for a process id of 0 or less.
void EndProcess(pid_t process, int signal);

// A kerbcall-sim child, its memory filled when the constructor returns, ended by the destructor.
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

std::string TestData(const std::string& name);

// A UDP port on 127.0.0.1 that nothing listens on at the moment.
int FreeUdpPort();

}  // namespace kerbcall::posix::testing
