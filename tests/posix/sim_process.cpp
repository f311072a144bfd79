#include "tests/posix/sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>

#include <stdexcept>
#include <utility>

namespace kerbcall::posix::testing {

pid_t StartProcess(std::vector<std::string> words, int output) {
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::isatty(output) != 0) {
            ::login_tty(output);
        } else if (output >= 0) {
            ::dup2(output, STDOUT_FILENO);
        }
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return child;
}

void EndProcess(pid_t process, int signal) {
    if (process > 0) {
        ::kill(process, signal);
        ::waitpid(process, nullptr, 0);
    }
}

SimProcess::SimProcess(const std::vector<std::string>& args) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    std::vector<std::string> words{KERBCALL_SIM_PATH};
    words.insert(words.end(), args.begin(), args.end());
    pid_ = StartProcess(std::move(words), pipeEnds[1]);
    ::close(pipeEnds[1]);
    output_ = pipeEnds[0];
    // The stand-in writes its first line once its memory holds the values.
    pollfd waiting{output_, POLLIN, 0};
    char first = 0;
    if (::poll(&waiting, 1, 60000) <= 0 || ::read(output_, &first, 1) != 1) {
        EndProcess(pid_, SIGKILL);
        ::close(output_);
        throw std::runtime_error("kerbcall-sim did not start");
    }
}

SimProcess::~SimProcess() {
    EndProcess(pid_, SIGKILL);
    ::close(output_);
}

std::string TestData(const std::string& name) { return std::string(KERBCALL_POSIX_TEST_DATA) + "/" + name; }

}  // namespace kerbcall::posix::testing
