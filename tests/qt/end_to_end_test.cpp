// Kerbcall as a user meets it: the real program under an X server (run by
// xvfb-run), a real kerbcall-sim, SDL's disk audio driver writing what is
// heard to a file, and real pointer clicks through xdotool. Every step waits
// for what the program does, so that a busy machine only makes it slower.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
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

constexpr char kStage[] = "left3.mp3,100\r\nhairpin.mp3,200\r\nfinish.mp3,300\r\n";
// The stand-in holds each note's distance for two seconds.
constexpr char kDrive[] = "0,0\n2,100\n4,200\n6,300\n";
constexpr char kSoundFolder[] = "Zuda Vodaz Sounds";
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
    if (!frames.empty()) {
        std::memcpy(frames.data(), bytes.data(), frames.size() * sizeof(Frame));
    }
    return frames;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds patience = 60s) {
    for (const auto giveUp = Clock::now() + patience; !done(); std::this_thread::sleep_for(50ms)) {
        if (Clock::now() > giveUp) {
            return false;
        }
    }
    return true;
}

// The first visible window whose title matches; empty when none shows.
std::string VisibleWindow(const std::string& title) {
    std::string window;
    if (FILE* pipe = ::popen(("xdotool search --onlyvisible --name '" + title + "' 2>/dev/null").c_str(), "r")) {
        for (int c = 0; (c = std::fgetc(pipe)) != EOF && c != '\n';) {
            window += static_cast<char>(c);
        }
        ::pclose(pipe);
    }
    return window;
}

void Click(const std::string& window, int x, int y, int clicks) {
    const std::string command = "xdotool mousemove --window " + window + " " + std::to_string(x) + " " +
                                std::to_string(y) + " click --repeat " + std::to_string(clicks) + " --delay 60 1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// The first frames of a sound as the sound interpreter plays it, from its
// first frame that is not silent.
std::vector<Frame> Signature(const fs::path& soundFile, const fs::path& scratch) {
    ::setenv("SDL_DISKAUDIOFILE", scratch.c_str(), 1);
    posix::SdlMci mci;
    mci.SendString("open \"" + soundFile.string() + "\" type mpegvideo alias songNumber1");
    mci.SendString("play songNumber1");
    std::vector<Frame> frames;
    std::vector<Frame>::iterator first;
    WaitUntil([&] {
        frames = ReadFrames(scratch);
        first = std::ranges::find_if(frames, [](const Frame& f) { return f != Frame{}; });
        return frames.end() - first >= static_cast<std::ptrdiff_t>(kSignatureFrames);
    });
    mci.CloseDevice();
    return {first, first + std::min(frames.end() - first, static_cast<std::ptrdiff_t>(kSignatureFrames))};
}

// Where the signature stands in the audio, from `from` on.
std::optional<std::size_t> Find(const std::vector<Frame>& audio, const std::vector<Frame>& signature,
                                std::size_t from) {
    const auto found = std::search(audio.begin() + static_cast<std::ptrdiff_t>(std::min(from, audio.size())),
                                   audio.end(), signature.begin(), signature.end());
    return found == audio.end() ? std::nullopt : std::optional(static_cast<std::size_t>(found - audio.begin()));
}

// True while a simulator process runs, another test's stand-in or this one's.
bool SimulatorRunning() {
    posix::ProcFsProcessList processes;
    auto snapshot = processes.TakeSnapshot();
    for (platform::ProcessEntry entry; snapshot && snapshot->Next(entry);) {
        std::ranges::transform(entry.exeName, entry.exeName.begin(), [](char c) { return std::tolower(c); });
        if (entry.exeName.starts_with("zrl") && entry.exeName.ends_with(".exe")) {
            return true;
        }
    }
    return false;
}

// The process whose memory the program has open; 0 while it has none.
pid_t ProcessReadBy(pid_t program) {
    std::error_code error;
    for (const auto& file : fs::directory_iterator("/proc/" + std::to_string(program) + "/fd", error)) {
        const std::string target = fs::read_symlink(file.path(), error).string();
        if (target.starts_with("/proc/") && target.ends_with("/mem")) {
            return std::atoi(target.c_str() + 6);
        }
    }
    return 0;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
        fs::create_directories(folder_);
        // A program folder given from outside (an unpacked archive) is run
        // as it stands; otherwise one is put together from the build.
        if (const char* given = std::getenv("KERBCALL_E2E_PROGRAM_FOLDER")) {
            programFolder_ = given;
        } else {
            fs::copy_file(KERBCALL_PROGRAM_PATH, folder_ / "kerbcall", fs::copy_options::overwrite_existing);
            fs::create_directory_symlink(fs::path(KERBCALL_SOUNDS_PATH), folder_ / kSoundFolder);
        }
        // Listed first in the chooser, ahead of a Demo.ini.
        std::ofstream(programFolder_ / "Assen.ini", std::ios::binary) << kStage;
        std::ofstream(folder_ / "drive.csv") << kDrive;
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        for (const char* sound : {"activated.mp3", "left3.mp3", "hairpin.mp3", "finish.mp3", "deactivated.mp3"}) {
            signatures_.push_back(Signature(programFolder_ / kSoundFolder / sound, folder_ / "signature.raw"));
            ASSERT_EQ(signatures_.back().size(), kSignatureFrames) << sound;
        }
    }

    void TearDown() override {
        if (program_ > 0) {
            ::kill(program_, SIGKILL);
            ::waitpid(program_, nullptr, 0);
            program_ = -1;
        }
    }

    ~EndToEnd() override { fs::remove_all(folder_); }

    // How many of the sounds have been heard so far, in order.
    std::size_t SoundsHeard() const {
        const std::vector<Frame> heard = ReadFrames(folder_ / "heard.raw");
        std::size_t from = 0;
        std::size_t count = 0;
        for (; count < signatures_.size(); ++count) {
            const std::optional<std::size_t> at = Find(heard, signatures_[count], from);
            if (!at) {
                break;
            }
            from = *at + kSignatureFrames;
        }
        return count;
    }

    // One run as the user makes it; false when the program found another
    // simulator, another test's stand-in, in place of this test's one.
    bool PickStartDriveAndStop() {
        WaitUntil([] { return !SimulatorRunning(); });
        fs::remove(folder_ / "heard.raw");
        ::setenv("SDL_DISKAUDIOFILE", (folder_ / "heard.raw").c_str(), 1);
        const std::string path = (programFolder_ / "kerbcall").string();
        program_ = ::fork();
        if (program_ == 0) {
            ::execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        std::string chooser;
        std::string mainWindow;
        EXPECT_TRUE(WaitUntil([&] { return !(chooser = VisibleWindow("^\\.TRK File Finder$")).empty(); }));
        EXPECT_TRUE(WaitUntil([&] { return !(mainWindow = VisibleWindow("^ZRL Zuda Vodaz v1\\.1$")).empty(); }));
        // A double click on the note file selects it; one that a busy machine
        // split into two single clicks is made again.
        EXPECT_TRUE(WaitUntil([&] {
            Click(chooser, kFirstFileX, kFirstFileY, 2);
            return WaitUntil([] { return VisibleWindow("^\\.TRK File Finder$").empty(); }, 5s);
        })) << "a double click on the note file selects it";
        Click(mainWindow, kCommand2X, kCommand2Y, 1);
        EXPECT_TRUE(WaitUntil([this] { return SoundsHeard() >= 1; })) << "Start plays activated.mp3";

        posix::testing::SimProcess sim({"--replay", (folder_ / "drive.csv").string(), "--hold"});
        bool foreign = false;
        const bool allHeard = WaitUntil([&] {
            const pid_t read = ProcessReadBy(program_);
            foreign = read != 0 && read != sim.pid();
            return foreign || SoundsHeard() >= 4;
        });
        if (foreign) {
            TearDown();
            return false;
        }
        EXPECT_TRUE(allHeard) << "only the first " << SoundsHeard() << " sounds were heard in order";

        Click(mainWindow, kCommand2X, kCommand2Y, 1);
        const auto stopped = Clock::now();
        EXPECT_TRUE(WaitUntil([this] { return ::waitpid(program_, nullptr, WNOHANG) == program_; }))
            << "Stop ends the program";
        program_ = -1;
        EXPECT_GT(Clock::now() - stopped, 800ms) << "the deactivation cue plays for a second";
        EXPECT_EQ(SoundsHeard(), signatures_.size()) << "deactivated.mp3 is heard";
        return true;
    }

    fs::path folder_ = fs::temp_directory_path() / ("kerbcall-e2e-" + std::to_string(::getpid()));
    fs::path programFolder_ = folder_;
    std::vector<std::vector<Frame>> signatures_;
    pid_t program_ = -1;
};

TEST_F(EndToEnd, PickStartDriveAndStop) {
    // On a machine shared with other tests the program may find their
    // stand-in; such a run proves nothing and is made again.
    for (int attempt = 1; !PickStartDriveAndStop(); ++attempt) {
        ASSERT_LT(attempt, 5) << "the program found another simulator in every attempt";
    }
}

}  // namespace
}  // namespace kerbcall
