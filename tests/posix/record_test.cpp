// kerbcall-cli record in a terminal against a real kerbcall-sim: keys typed
// into a pseudo-terminal, and what it writes and prints.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "tests/posix/sim_process.h"

namespace kerbcall::posix {
namespace {

namespace fs = std::filesystem;
using testing::SimProcess;

constexpr int kPatienceMs = 20000;

// kerbcall-cli record on the slave side of a new pseudo-terminal.
class Recorder {
public:
    explicit Recorder(const std::string& out, const std::string& keyMap) {
        pid_ = ::forkpty(&master_, nullptr, nullptr, nullptr);
        if (pid_ == 0) {
            if (keyMap.empty()) {
                ::execl(KERBCALL_CLI_PATH, KERBCALL_CLI_PATH, "record", out.c_str(), static_cast<char*>(nullptr));
            }
            ::execl(KERBCALL_CLI_PATH, KERBCALL_CLI_PATH, "record", out.c_str(), "--keys", keyMap.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        terminal_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY);
    }
    ~Recorder() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(terminal_);
        ::close(master_);
    }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    void Type(const std::string& keys) { ASSERT_EQ(::write(master_, keys.data(), keys.size()), ssize_t(keys.size())); }

    // Reads what it prints until `text` has appeared (true) or it went quiet.
    bool WaitFor(const std::string& text) {
        while (said_.find(text, seen_) == std::string::npos) {
            pollfd waiting{master_, POLLIN, 0};
            char block[512];
            const ssize_t got = ::poll(&waiting, 1, kPatienceMs) > 0 ? ::read(master_, block, sizeof block) : 0;
            if (got <= 0) {
                return false;
            }
            said_.append(block, static_cast<std::size_t>(got));
        }
        seen_ = said_.find(text, seen_) + text.size();
        return true;
    }

    int Wait() {
        int status = 0;
        ::waitpid(std::exchange(pid_, -1), &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t pid() const { return pid_; }
    const std::string& said() const { return said_; }
    bool TerminalRestored() const {
        termios now{};
        return ::tcgetattr(terminal_, &now) == 0 && (now.c_lflag & ICANON) != 0 && (now.c_lflag & ECHO) != 0;
    }

private:
    int master_ = -1;
    int terminal_ = -1;
    pid_t pid_ = -1;
    std::string said_;
    std::size_t seen_ = 0;
};

struct RecordCase {
    const char* name;
    std::string oldOut;  // none when empty
    std::string keyMap;  // default keys when empty
    std::string keys;    // typed once the distance shows
    std::string ending;  // typed last, or "SIGTERM"
    int exitCode;
    std::string out;
};

void PrintTo(const RecordCase& recordCase, std::ostream* out) { *out << recordCase.name; }

class RecordTest : public ::testing::TestWithParam<RecordCase> {
protected:
    fs::path folder = fs::path(::testing::TempDir()) / ("kerbcall-record-" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(folder); }
    void TearDown() override { fs::remove_all(folder); }
};

TEST_P(RecordTest, WritesEachKeysNoteAtOnceAndPutsTheTerminalBack) {
    const RecordCase& record = GetParam();
    std::ofstream(folder / "hold.csv") << "0,1234.4\n";
    std::ofstream(folder / "keys.txt") << record.keyMap;
    if (!record.oldOut.empty()) {
        std::ofstream(folder / "out.ini", std::ios::binary) << record.oldOut;
    }
    Recorder recorder((folder / "out.ini").string(), record.keyMap.empty() ? "" : (folder / "keys.txt").string());
    if (!recorder.WaitFor("waiting for the simulator")) {
        ASSERT_NE(recorder.said().find("recording from"), std::string::npos) << recorder.said();
        GTEST_SKIP() << "another simulator runs on this machine: " << recorder.said();
    }
    SimProcess sim({"--replay", (folder / "hold.csv").string(), "--hold"});
    ASSERT_TRUE(recorder.WaitFor("recording from")) << recorder.said();
    if (!recorder.WaitFor("(pid " + std::to_string(sim.pid()) + ")")) {
        GTEST_SKIP() << "another simulator runs on this machine: " << recorder.said();
    }
    ASSERT_TRUE(recorder.WaitFor("distance 1234.4")) << recorder.said();
    for (const char key : record.keys) {
        recorder.Type(std::string(1, key));
        ASSERT_TRUE(recorder.WaitFor(key == '\x7f' ? "back\r\n" : ",1234\r\n")) << recorder.said();
    }
    if (record.ending == "SIGTERM") {
        ::kill(recorder.pid(), SIGTERM);
    } else {
        recorder.Type(record.ending);
    }
    EXPECT_EQ(recorder.Wait(), record.exitCode) << recorder.said();
    EXPECT_TRUE(recorder.TerminalRestored());
    std::ifstream written(folder / "out.ini", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), record.out);
}

TEST_F(RecordTest, WaitsForTheNextSimulatorWhenOneEnds) {
    std::ofstream(folder / "short.csv") << "0,10\n1.5,20\n";
    Recorder recorder((folder / "out.ini").string(), "");
    ASSERT_TRUE(recorder.WaitFor("waiting for the simulator")) << recorder.said();
    const SimProcess ending({"--replay", (folder / "short.csv").string()});
    if (!recorder.WaitFor("recording from zrl.exe (pid " + std::to_string(ending.pid()) + ")")) {
        GTEST_SKIP() << "another simulator runs on this machine: " << recorder.said();
    }
    ASSERT_TRUE(recorder.WaitFor("the simulator has ended")) << recorder.said();
    const SimProcess next({"--start", "77", "--speed", "0.001", "--hold"});
    if (!recorder.WaitFor("recording from zrl.exe (pid " + std::to_string(next.pid()) + ")")) {
        GTEST_SKIP() << "another simulator runs on this machine: " << recorder.said();
    }
    ASSERT_TRUE(recorder.WaitFor("distance 77")) << recorder.said();
    recorder.Type("f\r");
    EXPECT_EQ(recorder.Wait(), 0) << recorder.said();
    std::ifstream written(folder / "out.ini", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), "finish.mp3,77\r\n");
}

const RecordCase kCases[] = {
    {"EnterEndsANewFile", "", "", "1q\x7fh", "\r", 0, "left1.mp3,1234\r\nhairpin.mp3,1234\r\n"},
    {"AppendsToAFileWhoseLastLineHasNoEnd", "a.mp3,5", "", std::string("\x7f") + "6", "\x04", 0,
     "a.mp3,5\r\nleft6.mp3,1234\r\n"},
    {"CtrlCWithAKeyMap", "", "z,zap.mp3\n", "z", "\x03", 0, "zap.mp3,1234\r\n"},
    {"TerminatedKeepsWhatIsWritten", "a,1\r\n", "", "y", "SIGTERM", 128 + SIGTERM, "a,1\r\nright6.mp3,1234\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, RecordTest, ::testing::ValuesIn(kCases));

}  // namespace
}  // namespace kerbcall::posix
