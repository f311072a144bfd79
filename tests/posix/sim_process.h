#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kerbcall::posix::testing {

// A kerbcall-sim child process, started with the given arguments and ready
// (its memory mapped and its first line written) when the constructor
// returns. The destructor ends it.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    pid_t pid() const { return pid_; }
    const std::string& firstLine() const { return firstLine_; }

    // Sends the signal and waits for the end; the exit status as waitpid
    // gives it.
    int Stop(int signal);
    // The rest of what it wrote, up to its end (or a few seconds of quiet).
    std::string RemainingOutput();

private:
    std::string ReadLine();

    pid_t pid_ = -1;
    int output_ = -1;
    std::string firstLine_;
    std::string pending_;
};

// The path of a test data file.
std::string TestData(const std::string& name);

}  // namespace kerbcall::posix::testing
