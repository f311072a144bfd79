#pragma once

#include <sys/types.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/posix/proc_process_list.h"

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

    // Sends the signal and waits for the end.
    void Stop(int signal);

private:
    pid_t pid_ = -1;
    int output_ = -1;
};

// The real process list narrowed to the given processes, so that the
// simulators of other programs on the machine take no part.
class OnlyStartedProcesses : public platform::ProcessList {
public:
    explicit OnlyStartedProcesses(std::set<std::uint32_t> processIds) : processIds_(std::move(processIds)) {}
    std::unique_ptr<platform::ProcessSnapshot> TakeSnapshot() override;
    void Add(std::uint32_t processId) { processIds_.insert(processId); }

private:
    ProcFsProcessList real_;
    std::set<std::uint32_t> processIds_;
};

// The path of a test data file.
std::string TestData(const std::string& name);

}  // namespace kerbcall::posix::testing
