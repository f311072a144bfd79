// Kerbcall as a user meets it: the real program under an X server (run by
// xvfb-run), a real kerbcall-sim, SDL's disk audio driver writing what is
// heard to a file, and real pointer clicks through xdotool.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/proc_process_list.h"
#include "platform/posix/sdl_mci.h"
#include "tests/posix/sim_process.h"

namespace kerbcall {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Three notes a second apart at the stand-in's 100 units a second.
constexpr char kStage[] = "left3.mp3,100\r\nhairpin.mp3,200\r\nfinish.mp3,300\r\n";
constexpr char kSoundFolder[] = "Zuda Vodaz Sounds";
constexpr char kMainTitle[] = "^ZRL Zuda Vodaz v1\\.1$";
constexpr char kChooserTitle[] = "^\\.TRK File Finder$";
// Client coordinates in pixels at 96 DPI: the first entry of the file list
// and the middle of Start/Stop.
constexpr int kFirstFileX = 8 + 272 + 30;
constexpr int kFirstFileY = 8 + 8 + 9;
constexpr int kCommand2X = 224 + 40;
constexpr int kCommand2Y = 24 + 12;
// Frames compared to recognise a sound: about 46 ms at 44.1 kHz.
constexpr std::size_t kSignatureFrames = 2048;

struct Frame {
    std::int16_t left = 0;
    std::int16_t right = 0;
    bool operator==(const Frame&) const = default;
};

std::vector<Frame> ReadFrames(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<Frame> frames(bytes.size() / sizeof(Frame));
    std::memcpy(frames.data(), bytes.data(), frames.size() * sizeof(Frame));
    return frames;
}

// The shell command's standard output, its last line end removed.
std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char block[256];
        while (std::fgets(block, sizeof block, pipe) != nullptr) {
            text += block;
        }
        ::pclose(pipe);
    }
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

// The first visible window whose title matches, looking every 20 ms for up
// to ten seconds; empty when none shows.
std::string WaitForWindow(const char* title) {
    for (int look = 0; look < 500; ++look) {
        std::string window = Output(std::string("xdotool search --onlyvisible --name '") + title + "' | head -n1");
        if (!window.empty()) {
            return window;
        }
        std::this_thread::sleep_for(20ms);
    }
    return {};
}

// True once no visible window has the title, waiting up to three seconds.
bool WindowGoes(const char* title) {
    for (int look = 0; look < 30; ++look) {
        if (Output(std::string("xdotool search --onlyvisible --name '") + title + "'").empty()) {
            return true;
        }
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

void Click(const std::string& window, int x, int y, int clicks) {
    const std::string command = "xdotool mousemove --window " + window + " " + std::to_string(x) + " " +
                                std::to_string(y) + " click --repeat " + std::to_string(clicks) + " --delay 60 1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// The first frames of a sound file as the sound interpreter plays it, from
// its first frame that is not silent.
std::vector<Frame> Signature(const fs::path& soundFile, const fs::path& scratch) {
    ::setenv("SDL_DISKAUDIOFILE", scratch.c_str(), 1);
    posix::SdlMci mci;
    mci.SendString("open \"" + soundFile.string() + "\" type mpegvideo alias songNumber1");
    mci.SendString("setaudio songNumber1 left on");
    mci.SendString("setaudio songNumber1 right on");
    mci.SendString("play songNumber1");
    std::this_thread::sleep_for(300ms);
    mci.CloseDevice();
    const std::vector<Frame> frames = ReadFrames(scratch);
    const auto first = std::find_if(frames.begin(), frames.end(), [](const Frame& f) { return f != Frame{}; });
    const auto available = static_cast<std::size_t>(frames.end() - first);
    return {first, first + static_cast<std::ptrdiff_t>(std::min(available, kSignatureFrames))};
}

// Where the signature stands in the audio, from `from` on.
std::optional<std::size_t> Find(const std::vector<Frame>& audio, const std::vector<Frame>& signature,
                                std::size_t from) {
    if (signature.empty() || audio.size() < signature.size()) {
        return std::nullopt;
    }
    const auto found = std::search(audio.begin() + static_cast<std::ptrdiff_t>(std::min(from, audio.size())),
                                   audio.end(), signature.begin(), signature.end());
    if (found == audio.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - audio.begin());
}

// The simulator processes running now, this test's stand-in or others.
std::vector<std::uint32_t> RunningSimulators() {
    std::vector<std::uint32_t> found;
    posix::ProcFsProcessList processes;
    if (auto snapshot = processes.TakeSnapshot()) {
        for (platform::ProcessEntry entry; snapshot->Next(entry);) {
            if (entry.exeName.starts_with("zrl") && entry.exeName.ends_with(".exe")) {
                found.push_back(entry.processId);
            }
        }
    }
    return found;
}

// Another simulator, or another test's stand-in, would be found in place of
// this test's one: waits up to a minute until none runs.
bool NoSimulatorRunning() {
    for (int wait = 0; wait < 600; ++wait) {
        if (RunningSimulators().empty()) {
            return true;
        }
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

long ResidentKilobytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
        folder_ = fs::temp_directory_path() / ("kerbcall-e2e-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        fs::copy_file(KERBCALL_PROGRAM_PATH, folder_ / "kerbcall");
        fs::create_directory_symlink(fs::path(KERBCALL_SOUNDS_PATH), folder_ / kSoundFolder);
        std::ofstream(folder_ / "E2eStage.ini", std::ios::binary) << kStage;
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
    }

    void TearDown() override {
        if (program_ > 0) {
            ::kill(program_, SIGKILL);
            ::waitpid(program_, nullptr, 0);
        }
        fs::remove_all(folder_);
    }

    void StartProgram() {
        ::setenv("SDL_DISKAUDIOFILE", (folder_ / "heard.raw").c_str(), 1);
        const std::string path = (folder_ / "kerbcall").string();
        program_ = ::fork();
        if (program_ == 0) {
            ::execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }

    // Waits up to `limit` for the program to exit; true when it has.
    bool WaitForExit(std::chrono::milliseconds limit) {
        const auto end = Clock::now() + limit;
        while (Clock::now() < end) {
            if (::waitpid(program_, nullptr, WNOHANG) == program_) {
                program_ = -1;
                return true;
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    // One run as the user makes it; foreignSimulator_ tells whether another
    // simulator process ran while the program tracked.
    void PickStartDriveAndStop() {
        ASSERT_TRUE(NoSimulatorRunning()) << "a simulator process still runs";
        const auto started = Clock::now();
        StartProgram();
        const std::string chooser = WaitForWindow(kChooserTitle);
        const std::string mainWindow = WaitForWindow(kMainTitle);
        ASSERT_FALSE(chooser.empty());
        ASSERT_FALSE(mainWindow.empty());
        std::cout << "start to both windows shown: "
                  << std::chrono::duration<double, std::milli>(Clock::now() - started).count() << " ms" << std::endl;

        Click(chooser, kFirstFileX, kFirstFileY, 2);
        ASSERT_TRUE(WindowGoes(kChooserTitle)) << "a double click on the note file selects it";

        Click(mainWindow, kCommand2X, kCommand2Y, 1);
        std::this_thread::sleep_for(500ms);
        posix::testing::SimProcess sim({"--length", "400", "--speed", "100", "--laps", "1", "--hold"});
        foreignSimulator_ = false;
        for (int look = 0; look < 45; ++look) {
            for (const std::uint32_t simulator : RunningSimulators()) {
                foreignSimulator_ = foreignSimulator_ || static_cast<pid_t>(simulator) != sim.pid();
            }
            std::this_thread::sleep_for(100ms);
        }
        std::cout << "resident memory while tracking: " << ResidentKilobytes(program_) << " kB" << std::endl;
        if (const char* screenshot = std::getenv("KERBCALL_SCREENSHOT")) {
            std::system((std::string("import -window root '") + screenshot + "'").c_str());
        }

        Click(mainWindow, kCommand2X, kCommand2Y, 1);
        const auto stopped = Clock::now();
        ASSERT_TRUE(WaitForExit(5s)) << "Stop ends the program";
        const auto stopSeconds = std::chrono::duration<double>(Clock::now() - stopped).count();
        std::cout << "Stop to exit: " << stopSeconds * 1000.0 << " ms" << std::endl;
        EXPECT_LT(stopSeconds, 2.5);
        EXPECT_GT(stopSeconds, 0.8) << "the deactivation cue plays for a second";
    }

    fs::path folder_;
    pid_t program_ = -1;
    bool foreignSimulator_ = false;
};

TEST_F(EndToEnd, PickStartDriveAndStop) {
    // On a machine shared with other stand-ins the program may find one of
    // theirs; such a run proves nothing and is made again.
    for (int attempt = 1;; ++attempt) {
        PickStartDriveAndStop();
        if (HasFatalFailure() || !foreignSimulator_) {
            break;
        }
        ASSERT_LT(attempt, 3) << "another simulator ran during every attempt";
        std::cout << "another simulator ran meanwhile: once more" << std::endl;
    }
    ASSERT_FALSE(HasFatalFailure());

    const std::vector<Frame> heard = ReadFrames(folder_ / "heard.raw");
    std::size_t from = 0;
    for (const char* sound : {"activated.mp3", "left3.mp3", "hairpin.mp3", "finish.mp3", "deactivated.mp3"}) {
        const std::vector<Frame> signature = Signature(folder_ / kSoundFolder / sound, folder_ / "signature.raw");
        ASSERT_EQ(signature.size(), kSignatureFrames) << sound;
        const std::optional<std::size_t> at = Find(heard, signature, from);
        ASSERT_TRUE(at.has_value()) << sound << " is not heard after frame " << from;
        from = *at + signature.size();
    }
}

}  // namespace
}  // namespace kerbcall
