// SIGINT, SIGTERM and SIGHUP end the real program in every state, and the
// companion tools on Ctrl-C. Run under xvfb-run; clicks through xdotool.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/posix/sim_process.h"

namespace kerbcall {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kLongestEnding = 1500ms;
constexpr char kChooserTitle[] = "^\\.TRK File Finder$";
// Client coordinates at 96 DPI: the chooser's first file, Start/Stop.
constexpr int kFirstFileX = 8 + 272 + 30;
constexpr int kFirstFileY = 8 + 8 + 9;
constexpr int kCommand2X = 224 + 40;
constexpr int kCommand2Y = 24 + 12;

enum class State { kChooserOpen, kWaiting, kTracking, kDeactivationCue };

std::string FirstLine(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char block[256];
        while (std::fgets(block, sizeof block, pipe) != nullptr) {
            text += block;
        }
        ::pclose(pipe);
    }
    return text.substr(0, text.find('\n'));
}

// Waits up to ten seconds for the condition; true once it holds.
template <typename Condition>
bool WaitFor(Condition condition) {
    for (const auto end = Clock::now() + std::chrono::seconds(10); Clock::now() < end;
         std::this_thread::sleep_for(20ms)) {
        if (condition()) {
            return true;
        }
    }
    return false;
}

pid_t Start(const std::vector<std::string>& words, int input = -1) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (input >= 0) {
            ::dup2(input, STDIN_FILENO);
        }
        std::vector<char*> argv;
        for (const std::string& word : words) {
            argv.push_back(const_cast<char*>(word.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return child;
}

// Sends the signal; the exit status once the process has ended within
// kLongestEnding, nullopt (and the process killed) when it has not.
std::optional<int> EndWith(pid_t process, int signal) {
    ::kill(process, signal);
    int status = 0;
    for (const auto end = Clock::now() + kLongestEnding; Clock::now() < end; std::this_thread::sleep_for(5ms)) {
        if (::waitpid(process, &status, WNOHANG) == process) {
            return status;
        }
    }
    ::kill(process, SIGKILL);
    ::waitpid(process, nullptr, 0);
    return std::nullopt;
}

// True when the process holds a file open whose path ends so.
bool HoldsOpen(pid_t process, const std::string& ending) {
    std::error_code error;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(process) + "/fd", error)) {
        if (fs::read_symlink(fd.path(), error).string().ends_with(ending)) {
            return true;
        }
    }
    return false;
}

class Signals : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
        folder_ = fs::temp_directory_path() / ("kerbcall-signals-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        fs::copy_file(KERBCALL_PROGRAM_PATH, folder_ / "kerbcall", fs::copy_options::overwrite_existing);
        fs::create_directory_symlink(fs::path(KERBCALL_SOUNDS_PATH), folder_ / "Zuda Vodaz Sounds");
        std::ofstream(folder_ / "Stage.ini", std::ios::binary) << "left3.mp3,100\r\n";
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", (folder_ / "heard.raw").c_str(), 1);
    }
    void TearDown() override { fs::remove_all(folder_); }

    static std::string Search(pid_t program, const char* title) {
        return "xdotool search --all --onlyvisible --pid " + std::to_string(program) + " --name '" + title + "'";
    }

    static std::string Window(pid_t program, const char* title) {
        std::string window;
        WaitFor([&] { return !(window = FirstLine(Search(program, title))).empty(); });
        return window;
    }

    static bool Click(const std::string& window, int x, int y, int clicks) {
        return std::system(("xdotool mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y) +
                            " click --repeat " + std::to_string(clicks) + " --delay 60 1")
                               .c_str()) == 0;
    }

    // The real program, brought into the state.
    pid_t StartIn(State state, std::optional<posix::testing::SimProcess>& simulator) {
        pid_t program = -1;
        std::string chooser;
        std::string mainWindow;
        // A program that found no display (the X server busy with another
        // client's going) proves nothing: it is started again.
        for (int attempt = 0; attempt < 3 && (chooser.empty() || mainWindow.empty()); ++attempt) {
            if (program > 0) {
                ::kill(program, SIGKILL);
                ::waitpid(program, nullptr, 0);
            }
            program = Start({(folder_ / "kerbcall").string()});
            chooser = Window(program, kChooserTitle);
            mainWindow = Window(program, "^ZRL Zuda Vodaz v1\\.1$");
        }
        EXPECT_FALSE(chooser.empty() || mainWindow.empty()) << "the windows show";
        if (state == State::kChooserOpen) {
            return program;
        }
        if (state != State::kWaiting) {
            simulator.emplace(std::vector<std::string>{"--hold", "--start", "50", "--speed", "0.001"});
        }
        EXPECT_TRUE(Click(chooser, kFirstFileX, kFirstFileY, 2));
        EXPECT_TRUE(WaitFor([&] { return FirstLine(Search(program, kChooserTitle)).empty(); })) << "a file is chosen";
        EXPECT_TRUE(Click(mainWindow, kCommand2X, kCommand2Y, 1));
        EXPECT_TRUE(WaitFor([&] { return HoldsOpen(program, "activated.mp3"); })) << "Start plays the cue";
        if (state == State::kWaiting) {
            return program;
        }
        const std::string memory = "/proc/" + std::to_string(simulator->pid()) + "/mem";
        EXPECT_TRUE(WaitFor([&] { return HoldsOpen(program, memory); })) << "the simulator is read";
        if (state == State::kDeactivationCue) {
            EXPECT_TRUE(Click(mainWindow, kCommand2X, kCommand2Y, 1));
            EXPECT_TRUE(WaitFor([&] { return HoldsOpen(program, "deactivated.mp3"); })) << "Stop plays the cue";
        }
        return program;
    }

    fs::path folder_;
};

TEST_F(Signals, EndTheProgramInEveryStateWithinASecondAndAHalf) {
    for (const State state : {State::kChooserOpen, State::kWaiting, State::kTracking, State::kDeactivationCue}) {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            std::optional<posix::testing::SimProcess> simulator;
            const pid_t program = StartIn(state, simulator);
            ASSERT_FALSE(HasFailure()) << "state " << static_cast<int>(state);
            const std::optional<int> status = EndWith(program, signal);
            ASSERT_TRUE(status.has_value()) << "signal " << signal << ", state " << static_cast<int>(state);
            // Its own ending, or the stop sequence's, not the signal's.
            ASSERT_TRUE(WIFEXITED(*status)) << "signal " << signal << ", state " << static_cast<int>(state);
        }
    }
}

// Waits until the process runs the program and sleeps, as on a read.
bool Sleeping(pid_t process, const std::string& program) {
    const std::string folder = "/proc/" + std::to_string(process);
    return WaitFor([&] {
        std::error_code error;
        std::ifstream stat(folder + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const std::size_t nameEnd = text.rfind(')');
        return fs::read_symlink(folder + "/exe", error) == fs::path(program) && nameEnd != std::string::npos &&
               nameEnd + 2 < text.size() && text[nameEnd + 2] == 'S';
    });
}

TEST_F(Signals, CtrlCEndsTheCompanionTools) {
    int input[2];
    ASSERT_EQ(::pipe(input), 0);
    const struct {
        std::vector<std::string> words;
        int input;
    } tools[] = {
        {{KERBCALL_SIM_PATH, "--hold"}, -1},
        {{KERBCALL_CLI_PATH, "replay", (folder_ / "Stage.ini").string()}, input[0]},  // waits for samples
    };
    for (const auto& tool : tools) {
        const pid_t process = Start(tool.words, tool.input);
        ASSERT_TRUE(Sleeping(process, tool.words[0])) << tool.words[0];
        EXPECT_TRUE(EndWith(process, SIGINT).has_value()) << tool.words[0];
    }
    ::close(input[0]);
    ::close(input[1]);
}

}  // namespace
}  // namespace kerbcall
