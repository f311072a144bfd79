#include "tests/posix/sim_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <utility>

namespace kerbcall::posix::testing {

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
    // The stand-in writes its first line once its memory holds the values.
    pollfd waiting{output_, POLLIN, 0};
    char first = 0;
    if (::poll(&waiting, 1, 60000) <= 0 || ::read(output_, &first, 1) != 1) {
        Stop(SIGKILL);
        throw std::runtime_error("kerbcall-sim did not start");
    }
}

SimProcess::~SimProcess() {
    Stop(SIGKILL);
    ::close(output_);
}

void SimProcess::Stop(int signal) {
    if (pid_ > 0) {
        ::kill(pid_, signal);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

namespace {

class NarrowedSnapshot : public platform::ProcessSnapshot {
public:
    NarrowedSnapshot(std::unique_ptr<platform::ProcessSnapshot> all, std::set<std::uint32_t> keep)
        : all_(std::move(all)), keep_(std::move(keep)) {}
    bool Next(platform::ProcessEntry& entry) override {
        while (all_->Next(entry)) {
            if (keep_.contains(entry.processId)) {
                return true;
            }
        }
        return false;
    }

private:
    std::unique_ptr<platform::ProcessSnapshot> all_;
    std::set<std::uint32_t> keep_;
};

}  // namespace

std::unique_ptr<platform::ProcessSnapshot> OnlyStartedProcesses::TakeSnapshot() {
    std::unique_ptr<platform::ProcessSnapshot> all = real_.TakeSnapshot();
    return all ? std::make_unique<NarrowedSnapshot>(std::move(all), processIds_) : nullptr;
}

std::string TestData(const std::string& name) { return std::string(KERBCALL_POSIX_TEST_DATA) + "/" + name; }

}  // namespace kerbcall::posix::testing
