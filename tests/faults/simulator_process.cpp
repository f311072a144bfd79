#include "tests/faults/simulator_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

extern char** environ;

namespace kerbcall::faults {

SimulatorProcess::SimulatorProcess(const std::vector<std::string>& arguments) {
    std::vector<std::string> words = {KERBCALL_SIM};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    int output[2];
    if (::pipe(output) != 0) {
        throw std::runtime_error("cannot make a pipe for kerbcall-sim");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    posix_spawn_file_actions_addclose(&actions, output[1]);
    const int spawned = ::posix_spawn(&pid_, KERBCALL_SIM, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    if (spawned != 0) {
        ::close(output[0]);
        pid_ = -1;
        throw std::runtime_error("cannot start kerbcall-sim");
    }
    output_ = output[0];
    // Its first line comes once the distance is in place. The pipe stays open
    // while it runs, so that its later lines have somewhere to go.
    std::string first;
    char byte = 0;
    while (first.find('\n') == std::string::npos && ::read(output_, &byte, 1) == 1) {
        first += byte;
    }
    if (first.find('\n') == std::string::npos) {
        Kill();
        throw std::runtime_error("kerbcall-sim ended before it was ready: " + first);
    }
}

SimulatorProcess::~SimulatorProcess() { Kill(); }

void SimulatorProcess::Kill() {
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    ::close(output_);
    output_ = -1;
}

}  // namespace kerbcall::faults
