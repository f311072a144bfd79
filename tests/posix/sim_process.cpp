#include "tests/posix/sim_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace kerbcall::posix::testing {

pid_t StartProcess(std::vector<std::string> words, int output) {
    std::vector<char*> argv(words.size() + 1, nullptr);
    std::ranges::transform(words, argv.begin(), [](std::string& word) { return word.data(); });
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGINT, SIG_DFL);  // as from a terminal, though a test may run in the background
        // With no output open, dup2 fails and the child keeps this process's.
        static_cast<void>(::isatty(output) != 0 ? ::login_tty(output) : ::dup2(output, STDOUT_FILENO));
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
    int ends[2] = {-1, -1};
    static_cast<void>(::pipe2(ends, O_CLOEXEC));  // without a pipe the first line never comes
    std::vector<std::string> words{KERBCALL_SIM_PATH};
    words.insert(words.end(), args.begin(), args.end());
    pid_ = StartProcess(std::move(words), ends[1]);
    ::close(ends[1]);
    output_ = ends[0];
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

int FreeUdpPort() {
    const int probe = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address);  // NOLINT: the C API
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);        // NOLINT: the C API
    ::close(probe);
    return ntohs(address.sin_port);
}

}  // namespace kerbcall::posix::testing
