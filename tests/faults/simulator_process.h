#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kerbcall::faults {

// A stand-in simulator (kerbcall-sim) running as a child of the test. It is
// ready once it has said where its distance lies; destroying it kills it.
class SimulatorProcess {
public:
    explicit SimulatorProcess(const std::vector<std::string>& arguments);
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    pid_t pid() const { return pid_; }
    // Kills the process and waits until it is gone from the process table.
    void Kill();

private:
    pid_t pid_ = -1;
    int output_ = -1;  // the read end of its standard output
};

}  // namespace kerbcall::faults
