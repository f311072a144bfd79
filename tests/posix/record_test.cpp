// kerbcall-cli record in a pseudo-terminal against a real kerbcall-sim, and the terminal it leaves.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
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

struct RecordCase {
    std::string oldOut;  // out.ini before the run; none when empty
    std::vector<std::string> args;
    bool firstSimulatorEnds;  // one drives from 10 to 20 and ends, and the recording waits for the next
    std::string keys;         // typed once the distance shows, each answered with a line
    std::string ending;       // typed last, or SIGTERM
    int exitCode;
    std::string out;      // out.ini afterwards; none when empty
    std::string title{};  // the simulators stand in for a rally title, whose telemetry is read; none when empty
};

// Each case types its keys once the distance shows, then ends: Enter, Ctrl-D, Ctrl-C or SIGTERM.
TEST(Record, WritesEachKeysNoteAtOnceAndPutsTheTerminalBack) {
    const std::string full = [] {
        std::string notes;
        for (int i = 0; i < 2001; ++i) {
            notes += "a,1\r\n";
        }
        return notes;
    }();
    const RecordCase cases[] = {
        {"", {}, false, "1q\x7fh", "\r", 0, "left1.mp3,1234\r\nhairpin.mp3,1234\r\n"},
        {"a.mp3,5", {}, false, {'\x7f', '6'}, "\x04", 0, "a.mp3,5\r\nleft6.mp3,1234\r\n"},
        // A map adds to the default keys.
        {"", {"--keys", "keys.txt"}, false, "zh", "\x03", 0, "zap.mp3,1234\r\nhairpin.mp3,1234\r\n"},
        {"a,1\n", {}, false, "y", "SIGTERM", 128 + SIGTERM, "a,1\nright6.mp3,1234\r\n"},
        {"", {"--lap", "lap.csv"}, true, "f", "\r", 0, "finish.mp3,1234\r\n"},
        // Taken back to nothing, a new file is gone; a full one takes no note more.
        {"", {}, false, "1\x7f", "\r", 0, ""},
        {full, {}, false, "h", "\r", 0, full},
        // A title's game that ends is waited for again too.
        {"", {"--lap", "lap.csv"}, true, "f", "\r", 0, "finish.mp3,1234\r\n", "dr2"},
        {"", {}, true, "s", "\r", 0, "square.mp3,1234\r\n", "wrc"},
    };
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(c.out.substr(0, 40));
        const faults::ScratchFolder folder;
        folder.Write("hold.csv", "0,1234.4\n");
        folder.Write("short.csv", "0,10\n1.5,20\n");
        folder.Write("keys.txt", "; a key\r\nz,zap.mp3\n");
        const std::string port = std::to_string(testing::FreeUdpPort());
        folder.Write("kerbcall/kerbcall.ini", "[dr2]\nport=" + port + "\n[wrc]\nstructure=" + folder.PathOf("wrc"));
        ::setenv("XDG_CONFIG_HOME", folder.path().c_str(), 1);
        if (!c.oldOut.empty()) {
            folder.Write("out.ini", c.oldOut);
        }
        std::vector<std::string> args{folder.PathOf("out.ini")};
        for (const std::string& arg : c.args) {
            args.push_back(arg.ends_with(".txt") || arg.ends_with(".csv") ? folder.PathOf(arg) : arg);
        }
        Recorder recorder(args);
        std::vector<std::vector<std::string>> simulators{{"--replay", folder.PathOf("hold.csv"), "--hold"}};
        if (c.firstSimulatorEnds) {
            simulators.insert(simulators.begin(), {"--replay", folder.PathOf("short.csv")});
        }
        if (!recorder.WaitFor("waiting for the simulator")) {
            ASSERT_NE(recorder.said.find("recording from zrl.exe (pid"), std::string::npos) << recorder.said;
            GTEST_SKIP() << "another simulator runs on this machine: " << recorder.said;
        }
        std::optional<testing::SimProcess> sim;
        const std::string name = c.title.empty() ? "zrl.exe" : c.title == "dr2" ? "dirtrally2.exe" : "WRC.exe";
        for (auto simulator : simulators) {
            if (!c.title.empty()) {
                simulator.insert(simulator.end(), {"--udp", c.title, "--port", port});
            }
            if (c.title == "wrc") {
                simulator.insert(simulator.end(), {"--structure", folder.PathOf("wrc")});
            }
            sim.emplace(simulator);
            if (!recorder.WaitFor("recording from " + name + " (pid " + std::to_string(sim->pid()))) {
                ASSERT_NE(recorder.said.find("recording from zrl.exe (pid"), std::string::npos) << recorder.said;
                GTEST_SKIP() << "another simulator runs on this machine: " << recorder.said;
            }
            if (simulator[1] != simulators.back()[1]) {
                ASSERT_TRUE(recorder.WaitFor("the simulator has ended")) << recorder.said;
            }
        }
        ASSERT_TRUE(recorder.WaitFor("distance 1234.4")) << recorder.said;
        for (const char key : c.keys) {
            recorder.Type(std::string(1, key));
            ASSERT_TRUE(recorder.WaitFor("\r\n")) << recorder.said;
        }
        if (c.ending == "SIGTERM") {
            ::kill(recorder.pid, SIGTERM);
        } else {
            recorder.Type(c.ending);
        }
        EXPECT_EQ(recorder.Wait(), std::pair(c.exitCode, true)) << recorder.said;
        EXPECT_EQ(folder.Read("out.ini"), c.out);
        EXPECT_EQ(std::filesystem::exists(folder.PathOf("out.ini")), !c.out.empty());
        if (!c.args.empty() && c.args[0] == "--lap") {
            // The drive from 10 to 20 at a point every sample, as the bench reads laps.
            const std::string lap = folder.Read("lap.csv");
            EXPECT_TRUE(lap.starts_with("0.000,1") && lap.ends_with(",1234.4\n")) << lap;
            EXPECT_GE(std::ranges::count(lap, '\n'), 10) << lap;
            const std::string check = std::string(KERBCALL_CLI_PATH) + " check " + folder.PathOf("out.ini") +
                                      " --sounds " + folder.path() + " --lap " + folder.PathOf("lap.csv");
            EXPECT_EQ(std::system((check + " >/dev/null 2>&1").c_str()), 0) << lap;
        }
    }
    ::unsetenv("XDG_CONFIG_HOME");
}

// With several simulators running, the first is taken and the others named, a title (read through its telemetry)
// only when no simulator runs, as in the program; --pid takes another.
TEST(Record, TakesTheSimulatorItsPidNames) {
    const faults::ScratchFolder folder;
    const std::string port = std::to_string(testing::FreeUdpPort());
    folder.Write("kerbcall/kerbcall.ini", "[dr2]\nport=" + port + "\n");
    ::setenv("XDG_CONFIG_HOME", folder.path().c_str(), 1);
    std::vector<std::string> sims[3] = {{"--udp", "dr2", "--port", port}, {}, {}};
    std::vector<std::unique_ptr<testing::SimProcess>> running;
    for (std::size_t i = 0; i < 3; ++i) {
        folder.Write("lap.csv", "0," + std::to_string(3000 - 1000 * i) + "\n");
        sims[i].insert(sims[i].end(), {"--replay", folder.PathOf("lap.csv"), "--hold"});
        running.push_back(std::make_unique<testing::SimProcess>(sims[i]));
    }
    const std::string first = "recording from zrl.exe (pid " + std::to_string(running[1]->pid()) + ")";
    const std::pair<std::string, std::string> cases[] = {
        {"", first}, {"3", "distance 1000.0"}, {"1", "distance 3000.0"}};
    for (const auto& [chosen, shown] : cases) {
        std::vector<std::string> args{folder.PathOf("out.ini")};
        if (!chosen.empty()) {
            args.insert(args.end(), {"--pid", std::to_string(running[std::stoul(chosen) - 1]->pid())});
        }
        Recorder recorder(args);
        ASSERT_TRUE(recorder.WaitFor(shown)) << recorder.said;
        recorder.Type(chosen.empty() ? "\r" : "h\r");
        EXPECT_EQ(recorder.Wait().first, 0) << recorder.said;
    }
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(folder.Read("out.ini"), "hairpin.mp3,1000\r\nhairpin.mp3,3000\r\n");
}

}  // namespace
}  // namespace kerbcall::posix
