// The real program under xvfb-run, clicked through xdotool, with a real
// kerbcall-sim and SDL's disk audio driver writing what is heard to a file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include "platform/posix/sdl_mci.h"
#include "tests/faults/scratch_folder.h"
#include "tests/posix/sim_process.h"
#include "tests/qt/program_windows.h"

namespace kerbcall::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using posix::testing::EndProcess;
using posix::testing::SimProcess;
using posix::testing::StartProcess;

// Bytes compared to recognise a sound: 2048 stereo frames, 46 ms at 44.1 kHz.
constexpr std::size_t kSignatureBytes = std::size_t{2048} * 4;
enum class State { kChooserOpen, kWaiting, kTracking, kDeactivationCue };

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds patience = 60s) {
    for (const auto giveUp = Clock::now() + patience; !done(); std::this_thread::sleep_for(20ms)) {
        if (Clock::now() > giveUp) {
            return false;
        }
    }
    return true;
}

// The first bytes of a sound as the sound interpreter plays it, from its
// first frame that is not silent.
std::string Signature(const fs::path& sound, const fs::path& scratch) {
    ::setenv("SDL_DISKAUDIOFILE", scratch.c_str(), 1);
    posix::SdlMci mci;
    mci.SendString("open \"" + sound.string() + "\" type mpegvideo alias songNumber1");
    mci.SendString("play songNumber1");
    std::string audio;
    WaitUntil([&] {
        audio = faults::ReadFile(scratch);
        audio.erase(0, std::min(audio.find_first_not_of('\0') / 4 * 4, audio.size()));
        return audio.size() >= kSignatureBytes;
    });
    mci.CloseDevice();
    return audio.substr(0, kSignatureBytes);
}

bool HoldsOpen(pid_t process, const std::string& ending) {
    std::error_code error;
    const fs::directory_iterator fds("/proc/" + std::to_string(process) + "/fd", error);
    return std::any_of(begin(fds), end(fds), [&](const fs::directory_entry& fd) {
        return fs::read_symlink(fd.path(), error).string().ends_with(ending);
    });
}

// The exit status once the signal has ended the process within a second and
// a half; nullopt (and the process killed) when it has not.
std::optional<int> EndWith(pid_t process, int signal) {
    ::kill(process, signal);
    int status = 0;
    if (WaitUntil([&] { return ::waitpid(process, &status, WNOHANG) == process; }, 1500ms)) {
        return status;
    }
    EndProcess(process, SIGKILL);
    return std::nullopt;
}

class RealProgram : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
        fs::create_directories(folder_);
        // A program folder given from outside (an unpacked archive) is run as it stands.
        if (const char* given = std::getenv("KERBCALL_E2E_PROGRAM_FOLDER")) {
            programFolder_ = given;
        } else {
            fs::copy_file(KERBCALL_PROGRAM_PATH, folder_ / "kerbcall");
            fs::create_directory_symlink(fs::path(KERBCALL_SOUNDS_PATH), folder_ / "Zuda Vodaz Sounds");
        }
        // Listed first in the chooser, ahead of a Demo.ini.
        std::ofstream(programFolder_ / "Assen.ini", std::ios::binary)
            << "left3.mp3,100\r\nhairpin.mp3,200\r\nfinish.mp3,300\r\n";
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        // The user's own sounds and settings.
        ::setenv("XDG_DATA_HOME", (folder_ / "user").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (folder_ / "user").c_str(), 1);
    }
    void TearDown() override { EndProcess(std::exchange(program_, -1), SIGKILL); }
    ~RealProgram() override { fs::remove_all(folder_); }

    // The real program brought into the state; `beforeStart` runs once the windows show, and `started` tells that
    // Start was heard (by default: the activation cue is opened).
    void StartIn(
        State state, const std::function<void()>& beforeStart = [] {}, std::function<bool()> started = {}) {
        ::setenv("SDL_DISKAUDIOFILE", heard_.c_str(), 1);
        std::string chooser;
        mainWindow_.clear();
        TearDown();
        // A program that found no display (the X server busy with another
        // client's going) ends at once: it is started again.
        for (int look = 0; look < 6 && (chooser.empty() || mainWindow_.empty()); ++look) {
            if (program_ < 0 || ::waitpid(program_, nullptr, WNOHANG) == program_) {
                program_ = StartProcess({(programFolder_ / "kerbcall").string()});
            }
            chooser = WindowOf(program_, kChooserTitle);
            mainWindow_ = WindowOf(program_, kMainWindowTitle);
        }
        ASSERT_FALSE(chooser.empty() || mainWindow_.empty()) << "the windows show";
        if (state == State::kChooserOpen) {
            return;
        }
        beforeStart();
        if (!started) {
            started = [this] { return HoldsOpen(program_, "activated.mp3"); };
        }
        // A double click a busy machine split is made again while the chooser
        // shows (a click past it would reach Start); so is a lost Start click.
        const auto chooserGone = [&] { return WindowOf(program_, kChooserTitle, false).empty(); };
        ASSERT_TRUE(WaitUntil([&] {
            return chooserGone() || (Click(chooser, kFirstFileX, kFirstFileY, 2) && WaitUntil(chooserGone, 10s));
        })) << "a double click on the note file selects it";
        ASSERT_TRUE(WaitUntil([&] { return Click(mainWindow_, kCommand2X, kCommand2Y, 1) && WaitUntil(started, 15s); }))
            << "Start plays the cue";
        // This test's stand-in or another's: either is tracked.
        ASSERT_TRUE(state < State::kTracking || WaitUntil([&] { return HoldsOpen(program_, "/mem"); }))
            << "a simulator is read";
        if (state == State::kDeactivationCue) {
            ASSERT_TRUE(Click(mainWindow_, kCommand2X, kCommand2Y, 1));
            ASSERT_TRUE(WaitUntil([&] { return HoldsOpen(program_, "deactivated.mp3"); })) << "Stop plays the cue";
        }
    }

    // How many of the sounds have been heard so far, in order.
    std::size_t SoundsHeard(const std::vector<std::string>& sounds) const {
        const std::string heard = faults::ReadFile(heard_);
        std::size_t count = 0;
        for (std::size_t at = 0; count < sounds.size() && (at = heard.find(sounds[count], at)) != std::string::npos;
             at += kSignatureBytes) {
            ++count;
        }
        return count;
    }

    // The program folder's name is not plain ASCII.
    fs::path folder_ = fs::temp_directory_path() / ("kerbcall é-" + std::to_string(::getpid()));
    fs::path programFolder_ = folder_;
    fs::path heard_ = folder_ / "heard.raw";
    pid_t program_ = -1;
    std::string mainWindow_;
};

TEST_F(RealProgram, PickStartDriveAndStop) {
    // A cue and a call (in another letter case) of the user's own are heard instead of the pack's.
    const fs::path pack = programFolder_ / "Zuda Vodaz Sounds", own = folder_ / "user/kerbcall/Zuda Vodaz Sounds";
    fs::create_directories(own);
    fs::copy_file(pack / "opens.mp3", own / "activated.mp3");
    fs::copy_file(pack / "jump.mp3", own / "LEFT3.MP3");
    std::vector<std::string> sounds;
    for (const fs::path& sound : {own / "activated.mp3", own / "LEFT3.MP3", pack / "hairpin.mp3", pack / "finish.mp3",
                                  pack / "deactivated.mp3"}) {
        sounds.push_back(Signature(sound, folder_ / "signature.raw"));
        ASSERT_EQ(sounds.back().size(), kSignatureBytes) << sound;
    }
    std::ofstream(folder_ / "drive.csv") << "0,0\n2,100\n4,200\n6,300\n";  // two seconds at each note
    // The program may find another test's stand-in; such a run is made again.
    std::optional<SimProcess> sim;  // driving still when Stop is pressed
    for (int attempt = 0, foreign = 1; foreign != 0; ++attempt) {
        ASSERT_LT(attempt, 5) << "the program found another simulator in every attempt";
        fs::remove(heard_);
        ASSERT_NO_FATAL_FAILURE(StartIn(State::kWaiting));
        sim.emplace(std::vector<std::string>{"--replay", (folder_ / "drive.csv").string(), "--hold"});
        const std::string ours = "/" + std::to_string(sim->pid()) + "/mem";
        const bool heard = WaitUntil([&] {
            foreign = HoldsOpen(program_, "/mem") && !HoldsOpen(program_, ours);
            return foreign || SoundsHeard(sounds) >= 4;
        });
        // Until that simulator has gone.
        WaitUntil([&] { return !foreign || !HoldsOpen(program_, "/mem") || HoldsOpen(program_, ours); });
        ASSERT_TRUE(heard) << "only the first " << SoundsHeard(sounds) << " sounds were heard in order";
    }
    ASSERT_TRUE(Click(mainWindow_, kCommand2X, kCommand2Y, 1));
    const auto stopped = Clock::now();
    const bool ended = WaitUntil([this] { return ::waitpid(program_, nullptr, WNOHANG) == program_; });
    EXPECT_TRUE(ended) << "Stop ends it";
    program_ = ended ? -1 : program_;  // one still running is ended by the fixture
    EXPECT_GT(Clock::now() - stopped, 800ms) << "the deactivation cue plays for a second";
    EXPECT_EQ(SoundsHeard(sounds), sounds.size()) << "deactivated.mp3 is heard";
    EXPECT_EQ(faults::ReadFile(folder_ / "user/kerbcall/last-note-folder"), programFolder_.string() + "\n");
}

// Each rally title's stand-in in turn, in one run: the notes are called in order, whatever spoiled packets come
// beside the good ones (each carrying the last note's distance, so that one taken would call it too early).
TEST_F(RealProgram, EachTitleIsCalledInOrderWhateverElseComesOnItsPort) {
    const fs::path pack = programFolder_ / "Zuda Vodaz Sounds";
    std::vector<std::string> sounds;
    for (const std::string name : {"left3.mp3", "hairpin.mp3", "finish.mp3"}) {
        sounds.push_back(Signature(pack / name, folder_ / "signature.raw"));
    }
    const std::string port = std::to_string(posix::testing::FreeUdpPort());
    std::ofstream(folder_ / "drive.csv") << "0,0\n2,100\n4,200\n6,300\n";
    fs::create_directories(folder_ / "user/kerbcall");
    std::ofstream(folder_ / "user/kerbcall/kerbcall.ini")
        << "[dr2]\nport=" << port << "\n[wrc]\nport=" << port << "\nstructure=" << (folder_ / "wrc").string() << "\n";
    ASSERT_NO_FATAL_FAILURE(StartIn(State::kWaiting));
    std::vector<std::string> calls;
    for (const std::string title : {"dr2", "wrc"}) {
        SCOPED_TRACE(title);
        std::vector<std::string> args{"--udp",     title, "--port",   port,
                                      "--spoiled", "300", "--replay", (folder_ / "drive.csv").string()};
        if (title == "wrc") {
            args.insert(args.end(), {"--structure", (folder_ / "wrc").string()});
        }
        const SimProcess sim(args);
        calls.insert(calls.end(), sounds.begin(), sounds.end());
        ASSERT_TRUE(WaitUntil([&] { return SoundsHeard(calls) == calls.size(); }))
            << "only the first " << SoundsHeard(calls) << " sounds were heard in order";
        const std::string heard = faults::ReadFile(heard_);
        std::size_t finishes = 0;
        for (std::size_t at = 0; (at = heard.find(sounds.back(), at)) != std::string::npos; at += kSignatureBytes) {
            ++finishes;
        }
        EXPECT_EQ(finishes, calls.size() / sounds.size()) << "the last note is called last, and once";
    }
}

TEST_F(RealProgram, EachStopSignalEndsItInEveryStateWithinASecondAndAHalf) {
    for (const State state : {State::kChooserOpen, State::kWaiting, State::kTracking, State::kDeactivationCue}) {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            std::optional<SimProcess> sim;
            if (state >= State::kTracking) {
                sim.emplace(std::vector<std::string>{"--hold", "--start", "50", "--speed", "0.001"});
            }
            ASSERT_NO_FATAL_FAILURE(StartIn(state)) << static_cast<int>(state);
            const std::optional<int> status = EndWith(std::exchange(program_, -1), signal);
            // Its own ending or the stop sequence's, not the signal's.
            ASSERT_TRUE(status && WIFEXITED(*status)) << "signal " << signal << ", state " << static_cast<int>(state);
        }
    }
}

// pulseaudio with a null sink on the socket PULSE_SERVER names, ready; ended (also when frozen) with the object.
struct SoundServer {
    explicit SoundServer(const std::string& socket)
        : pid(StartProcess({"pulseaudio", "-n", "--daemonize=no", "--use-pid-file=no", "--exit-idle-time=-1",
                            "--log-level=0", "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket,
                            "-L", "module-null-sink"})) {
        WaitUntil([] { return std::system("pactl info >/dev/null 2>&1") == 0; });
    }
    ~SoundServer() { ::kill(pid, SIGCONT), EndProcess(pid, SIGKILL); }
    pid_t pid;
};

// A sound server that starts after the program, or restarts before Start, is played through from Start on; one that
// does not answer holds up neither the windows nor the program's ending.
TEST_F(RealProgram, ASoundServerThatComesLateOrAgainIsUsedAndOneThatHangsHoldsNothingUp) {
    // Outside the program folder, whose name has a blank.
    const std::string socket = fs::temp_directory_path() / ("kerbcall-pulse-" + std::to_string(::getpid()));
    ::setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    ::setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    const auto plays = [this] {  // the program has a stream on the server
        const std::string stream = "application.process.id = \"" + std::to_string(program_) + "\"";
        return std::system(("pactl list sink-inputs 2>/dev/null | grep -q '" + stream + "'").c_str()) == 0;
    };
    // Frozen before the program starts, or once the device has opened on it.
    enum class Server { kLate, kRestarted, kFrozen, kFrozenOnceOpen };
    for (const Server server : {Server::kLate, Server::kRestarted, Server::kFrozen, Server::kFrozenOnceOpen}) {
        SCOPED_TRACE(static_cast<int>(server));
        std::optional<SoundServer> pulse;
        if (server != Server::kLate) {
            pulse.emplace(socket);
        }
        if (server >= Server::kFrozen) {
            const auto freeze = [&] { return ::kill(pulse->pid, SIGSTOP) == 0; };
            ASSERT_TRUE(server != Server::kFrozen || freeze());
            ASSERT_NO_FATAL_FAILURE(StartIn(State::kChooserOpen));
            ASSERT_TRUE(server == Server::kFrozen || (WaitUntil(plays) && freeze())) << "the device opens";
            const std::optional<int> status = EndWith(std::exchange(program_, -1), SIGTERM);
            EXPECT_TRUE(status && WIFEXITED(*status));
            continue;
        }
        const auto serverStarts = [&] {
            EXPECT_TRUE(server == Server::kLate || WaitUntil(plays));
            pulse.emplace(socket);
        };
        ASSERT_NO_FATAL_FAILURE(StartIn(State::kWaiting, serverStarts, plays));
    }
    fs::remove(socket);
}

// kerbcall-sim handles SIGINT itself, so that its ending is said; it must still end on it.
TEST_F(RealProgram, CtrlCEndsTheStandInWhileItWaits) {
    const pid_t sim = StartProcess({KERBCALL_SIM_PATH, "--hold"});
    const std::string proc = "/proc/" + std::to_string(sim);
    // Asleep in the stand-in itself, as on a wait.
    EXPECT_TRUE(WaitUntil([&] {
        std::error_code error;
        return fs::read_symlink(proc + "/exe", error) == KERBCALL_SIM_PATH &&
               faults::ReadFile(proc + "/stat").find(") S ") != std::string::npos;
    }));
    EXPECT_TRUE(EndWith(sim, SIGINT));
}

}  // namespace
}  // namespace kerbcall::testing
