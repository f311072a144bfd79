#include "tests/posix/sim_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <utility>

namespace kerbcall::posix::testing {

namespace {
constexpr int kReadyTimeoutMs = 5000;
}

SimProcess::SimProcess(const std::vector<std::string>& args) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        throw std::runtime_error("pipe failed");
    }
    std::vector<std::string> words{KERBCALL_SIM_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    output_ = pipeEnds[0];
    firstLine_ = ReadLine();
    if (firstLine_.empty()) {
        Stop(SIGKILL);
        throw std::runtime_error("kerbcall-sim did not start");
    }
}

SimProcess::~SimProcess() {
    Stop(SIGKILL);
    if (output_ >= 0) {
        ::close(output_);
    }
}

std::string SimProcess::ReadLine() {
    for (;;) {
        if (const std::size_t end = pending_.find('\n'); end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        pollfd waiting{output_, POLLIN, 0};
        char block[512];
        if (::poll(&waiting, 1, kReadyTimeoutMs) <= 0) {
            return {};
        }
        const ssize_t got = ::read(output_, block, sizeof block);
        if (got <= 0) {
            return {};
        }
        pending_.append(block, static_cast<std::size_t>(got));
    }
}

int SimProcess::Stop(int signal) {
    if (pid_ <= 0) {
        return -1;
    }
    ::kill(pid_, signal);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
}

std::string SimProcess::RemainingOutput() {
    char block[512];
    pollfd waiting{output_, POLLIN, 0};
    while (::poll(&waiting, 1, kReadyTimeoutMs) > 0) {
        const ssize_t got = ::read(output_, block, sizeof block);
        if (got <= 0) {
            break;
        }
        pending_.append(block, static_cast<std::size_t>(got));
    }
    return std::exchange(pending_, {});
}

std::string TestData(const std::string& name) { return std::string(KERBCALL_POSIX_TEST_DATA) + "/" + name; }

}  // namespace kerbcall::posix::testing
