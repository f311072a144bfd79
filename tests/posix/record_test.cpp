// kerbcall-cli record in a pseudo-terminal against a real kerbcall-sim, and the terminal it leaves.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/faults/scratch_folder.h"
#include "tests/posix/sim_process.h"

namespace kerbcall::posix {
namespace {

// kerbcall-cli record on the slave side of a new pseudo-terminal.
class Recorder {
public:
    explicit Recorder(std::vector<std::string> args) {
        ::openpty(&master_, &terminal_, nullptr, nullptr, nullptr);
        args.insert(args.begin(), {KERBCALL_CLI_PATH, "record"});
        pid = testing::StartProcess(std::move(args), terminal_);
    }
    ~Recorder() {
        testing::EndProcess(pid, SIGKILL);
        ::close(terminal_);
        ::close(master_);
    }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    void Type(const std::string& keys) { ASSERT_EQ(::write(master_, keys.data(), keys.size()), ssize_t(keys.size())); }

    // Reads what it prints until `text` has appeared (true) or 20 s have passed.
    bool WaitFor(const std::string& text) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (said.find(text, seen_) == std::string::npos) {
            pollfd waiting{master_, POLLIN, 0};
            char block[512];
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(giveUp - std::chrono::steady_clock::now());
            const ssize_t got = left.count() > 0 && ::poll(&waiting, 1, static_cast<int>(left.count())) > 0
                                    ? ::read(master_, block, sizeof block)
                                    : 0;
            if (got <= 0) {
                return false;
            }
            said.append(block, static_cast<std::size_t>(got));
        }
        seen_ = said.find(text, seen_) + text.size();
        return true;
    }

    // The exit code, and whether the terminal reads lines and echoes again.
    std::pair<int, bool> Wait() {
        int status = 0;
        ::waitpid(std::exchange(pid, -1), &status, 0);
        termios now{};
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                ::tcgetattr(terminal_, &now) == 0 && (now.c_lflag & ICANON) != 0 && (now.c_lflag & ECHO) != 0};
    }

    pid_t pid = -1;
    std::string said;

private:
    int master_ = -1;
    int terminal_ = -1;
    std::size_t seen_ = 0;
};

// Each case types its keys once the distance shows, then ends: Enter, Ctrl-D,
// Ctrl-C or SIGTERM. One first meets a simulator that ends, and waits for the next.
TEST(Record, WritesEachKeysNoteAtOnceAndPutsTheTerminalBack) {
    // No old file, or default keys, when empty; the ending is typed last unless SIGTERM.
    const std::tuple<std::string, std::string, bool, std::string, std::string, int, std::string> cases[] = {
        {"", "", false, "1q\x7fh", "\r", 0, "left1.mp3,1234\r\nhairpin.mp3,1234\r\n"},
        {"a.mp3,5", "", false, {'\x7f', '6'}, "\x04", 0, "a.mp3,5\r\nleft6.mp3,1234\r\n"},
        {"", "z,zap.mp3\n", false, "z", "\x03", 0, "zap.mp3,1234\r\n"},
        {"a,1\r\n", "", false, "y", "SIGTERM", 128 + SIGTERM, "a,1\r\nright6.mp3,1234\r\n"},
        {"", "", true, "f", "\r", 0, "finish.mp3,1234\r\n"},
    };
    for (const auto& [oldOut, keyMap, firstSimulatorEnds, keys, ending, exitCode, out] : cases) {
        SCOPED_TRACE(out);
        const faults::ScratchFolder folder;
        folder.Write("hold.csv", "0,1234.4\n");
        folder.Write("short.csv", "0,10\n1.5,20\n");
        folder.Write("keys.txt", keyMap);
        if (!oldOut.empty()) {
            folder.Write("out.ini", oldOut);
        }
        std::vector<std::string> args{folder.PathOf("out.ini")};
        if (!keyMap.empty()) {
            args.insert(args.end(), {"--keys", folder.PathOf("keys.txt")});
        }
        Recorder recorder(args);
        std::vector<std::vector<std::string>> simulators{{"--replay", folder.PathOf("hold.csv"), "--hold"}};
        if (firstSimulatorEnds) {
            simulators.insert(simulators.begin(), {"--replay", folder.PathOf("short.csv")});
        }
        if (!recorder.WaitFor("waiting for the simulator")) {
            ASSERT_NE(recorder.said.find("recording from zrl.exe (pid"), std::string::npos) << recorder.said;
            GTEST_SKIP() << "another simulator runs on this machine: " << recorder.said;
        }
        std::optional<testing::SimProcess> sim;
        for (const auto& simulator : simulators) {
            sim.emplace(simulator);
            if (!recorder.WaitFor("recording from zrl.exe (pid " + std::to_string(sim->pid()) + ")")) {
                ASSERT_NE(recorder.said.find("recording from zrl.exe (pid"), std::string::npos) << recorder.said;
                GTEST_SKIP() << "another simulator runs on this machine: " << recorder.said;
            }
            if (&simulator != &simulators.back()) {
                ASSERT_TRUE(recorder.WaitFor("the simulator has ended")) << recorder.said;
            }
        }
        ASSERT_TRUE(recorder.WaitFor("distance 1234.4")) << recorder.said;
        for (const char key : keys) {
            recorder.Type(std::string(1, key));
            ASSERT_TRUE(recorder.WaitFor(key == '\x7f' ? "back\r\n" : ",1234\r\n")) << recorder.said;
        }
        if (ending == "SIGTERM") {
            ::kill(recorder.pid, SIGTERM);
        } else {
            recorder.Type(ending);
        }
        EXPECT_EQ(recorder.Wait(), std::pair(exitCode, true)) << recorder.said;
        EXPECT_EQ(folder.Read("out.ini"), out);
    }
}

}  // namespace
}  // namespace kerbcall::posix
