// Prints what the running program costs the player's machine, with a
// kerbcall-sim driving:
// - the CPU of the real kerbcall (run under the X server of DISPLAY, driven
//   by xdotool as a user would) with the chooser open, waiting for the
//   simulator, tracking it far from every window and through a stage of
//   dense notes, beside a bare loop of 1 ms sleeps;
// - the gaps between the trigger loop's samples and the time from a Stop
//   click to the stop sequence's first sound command, from the program's
//   own window, run and services in this process (runs of its own, so that
//   Stop may end each of them).
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "app/qt/services.h"
#include "app/qt/views.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_sleeper.h"
#include "platform/posix/posix_udp.h"
#include "platform/posix/proc_mem_reader.h"
#include "platform/posix/proc_process_list.h"
#include "platform/posix/xdg_user_folders.h"
#include "tests/posix/sim_process.h"
#include "tests/qt/program_windows.h"

namespace kerbcall::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kCpuWindow = 10s;
constexpr int kInProcessRuns = 5;
constexpr auto kTrackingPerRun = 4s;

double Milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

// A stand-in driving laps, once its memory holds the distance.
posix::testing::SimProcess DrivingSimulator() {
    return posix::testing::SimProcess({"--laps", "1000", "--length", "3000", "--speed", "40"});
}

// Clock ticks of CPU time a process or thread (its /proc stat file) has
// used, user and system.
long CpuTicks(const std::string& statFile) {
    std::ifstream stat(statFile);
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long user = 0;
    long system = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) {
            user = std::stol(field);
        } else if (index == 15) {
            system = std::stol(field);
            break;
        }
    }
    return user + system;
}

// Percent of one core over the window: the whole program, and its window
// thread, where the trigger loop runs (the rest is mostly the sound
// output's own thread, kept open for a quick first call).
struct Cpu {
    double program;
    double windowThread;
};
Cpu CpuPercent(pid_t pid) {
    const std::string process = "/proc/" + std::to_string(pid);
    const std::string thread = process + "/task/" + std::to_string(pid) + "/stat";
    const long before = CpuTicks(process + "/stat");
    const long threadBefore = CpuTicks(thread);
    const auto started = Clock::now();
    std::this_thread::sleep_for(kCpuWindow);
    const double ticks =
        std::chrono::duration<double>(Clock::now() - started).count() * static_cast<double>(::sysconf(_SC_CLK_TCK));
    return {100.0 * static_cast<double>(CpuTicks(process + "/stat") - before) / ticks,
            100.0 * static_cast<double>(CpuTicks(thread) - threadBefore) / ticks};
}

// What 1000 wake-ups a second cost this machine by themselves: a loop that
// does nothing but sleep until the next millisecond.
double BareMillisecondSleepsCpu() {
    const pid_t child = ::fork();
    if (child == 0) {
        auto next = Clock::now();
        for (const auto end = next + kCpuWindow; next < end;) {
            next += std::chrono::milliseconds(1);
            std::this_thread::sleep_until(next);
        }
        ::_exit(0);
    }
    int status = 0;
    rusage used{};
    ::wait4(child, &status, 0, &used);
    const double seconds = static_cast<double>(used.ru_utime.tv_sec + used.ru_stime.tv_sec) +
                           static_cast<double>(used.ru_utime.tv_usec + used.ru_stime.tv_usec) / 1e6;
    return 100.0 * seconds / std::chrono::duration<double>(kCpuWindow).count();
}

// Far from every window: the stand-in's laps end at 3000.
constexpr char kFarNotes[] = "left3.mp3,100000\r\n";

// A note every 30 units of the stand-in's laps.
std::string DenseStage() {
    std::string notes;
    for (int distance = 30; distance < 3000; distance += 30) {
        notes += "left3.mp3," + std::to_string(distance) + "\r\n";
    }
    return notes;
}

// The real program reading `notes`, under `measure`'s clicks and figures;
// false when its windows did not show.
template <typename Measure>
bool WithRealProgram(const std::string& notes, Measure measure) {
    const fs::path folder = fs::temp_directory_path() / ("kerbcall-cost-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    fs::copy_file(KERBCALL_PROGRAM_PATH, folder / "kerbcall", fs::copy_options::overwrite_existing);
    fs::create_directory_symlink(KERBCALL_SOUNDS_PATH, folder / "Zuda Vodaz Sounds");
    std::ofstream(folder / "Bench.ini", std::ios::binary) << notes;
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    const pid_t program =
        posix::testing::StartProcess({(folder / "kerbcall").string()}, ::open("/dev/null", O_WRONLY | O_CLOEXEC));
    const std::string chooser = testing::WindowOf(program, testing::kChooserTitle);
    const std::string mainWindow = testing::WindowOf(program, testing::kMainWindowTitle);
    const bool shown = !chooser.empty() && !mainWindow.empty();
    if (shown) {
        std::this_thread::sleep_for(1s);
        measure(program, [&] {
            testing::Click(chooser, testing::kFirstFileX, testing::kFirstFileY, 2);
            std::this_thread::sleep_for(300ms);
            testing::Click(mainWindow, testing::kCommand2X, testing::kCommand2Y, 1);
            std::this_thread::sleep_for(1s);
        });
    }
    posix::testing::EndProcess(program, SIGKILL);
    fs::remove_all(folder);
    return shown;
}

void RealProgramCpu() {
    if (std::getenv("DISPLAY") == nullptr) {
        std::printf("CPU of the real program: needs an X server (run under xvfb-run)\n");
        return;
    }
    Cpu idle{};
    Cpu waiting{};
    Cpu far{};
    Cpu dense{};
    const bool shown = WithRealProgram(kFarNotes,
                                       [&](pid_t program, auto start) {
                                           idle = CpuPercent(program);
                                           start();
                                           waiting = CpuPercent(program);
                                           const posix::testing::SimProcess simulator = DrivingSimulator();
                                           std::this_thread::sleep_for(1s);
                                           far = CpuPercent(program);
                                       }) &&
                       WithRealProgram(DenseStage(), [&](pid_t program, auto start) {
                           const posix::testing::SimProcess simulator = DrivingSimulator();
                           start();
                           dense = CpuPercent(program);
                       });
    if (!shown) {
        std::printf("CPU of the real program: its windows did not show\n");
        return;
    }
    std::printf("CPU of the real program, %% of one core over %lld s, the stand-in driving at 40 units/s:\n",
                static_cast<long long>(kCpuWindow.count()));
    std::printf(
        "  (program / its window thread, where the trigger loop runs; target: far from every window at most "
        "0.5 %%)\n");
    const auto print = [](const char* what, Cpu cpu) {
        std::printf("  %-33s %5.2f %% / %5.2f %%\n", what, cpu.program, cpu.windowThread);
    };
    print("chooser open, before Start:", idle);
    print("waiting for the simulator:", waiting);
    print("tracking, far from every window:", far);
    print("tracking, a note every 30 units:", dense);
    std::printf("  a bare loop of 1 ms sleeps:        %5.2f %% on this machine\n", BareMillisecondSleepsCpu());
}

// The memory reads, timed.
class TimedMemory final : public platform::ProcessMemory {
public:
    platform::ProcessHandle OpenForReading(std::uint32_t processId) override {
        return memory_.OpenForReading(processId);
    }
    bool Read(platform::ProcessHandle process, std::uint64_t address, std::span<std::byte> buffer) override {
        reads.push_back(Clock::now());
        return memory_.Read(process, address, buffer);
    }
    bool HasExited(platform::ProcessHandle process) override { return memory_.HasExited(process); }
    void Close(platform::ProcessHandle process) override { memory_.Close(process); }

    std::vector<Clock::time_point> reads;

private:
    posix::ProcMemReader memory_;
};

// Sound commands, with the time of the first one after the Stop click.
class StopWatchMci final : public platform::Mci {
public:
    std::int32_t SendString(std::string_view /*command*/) override {
        if (clicked.load() != 0 && stopStarted == Clock::time_point()) {
            stopStarted = Clock::now();
        }
        return 0;
    }

    std::atomic<Clock::rep> clicked{0};
    Clock::time_point stopStarted;
};

// The run's ending: prints what this run measured and ends it.
class MeasuringProgram final : public platform::Program {
public:
    MeasuringProgram(const TimedMemory& memory, const StopWatchMci& mci, fs::path folder)
        : memory_(memory), mci_(mci), folder_(std::move(folder)) {}

    std::string Folder() override { return folder_.string(); }
    void ShowInformation(std::string_view text, std::string_view /*caption*/) override {
        std::printf("message: %.*s\n", static_cast<int>(text.size()), text.data());
    }
    [[noreturn]] void End() override {
        std::vector<double> gaps;
        // Samples before the first one taken from the simulator belong to no
        // run: the reads begin with the build probe.
        for (std::size_t i = 2; i < memory_.reads.size(); ++i) {
            gaps.push_back(Milliseconds(memory_.reads[i] - memory_.reads[i - 1]));
        }
        std::ranges::sort(gaps);
        double sum = 0;
        for (const double gap : gaps) {
            sum += gap;
        }
        const Clock::time_point clicked{Clock::duration(mci_.clicked.load())};
        if (gaps.empty() || clicked == Clock::time_point()) {
            std::printf("  run without samples or without the Stop click\n");
        } else {
            std::printf(
                "  %zu samples, %.1f a second: gap average %.3f ms, p99 %.2f ms, max %.2f ms; Stop click to the "
                "stop sequence %.2f ms\n",
                gaps.size() + 1, 1000.0 * static_cast<double>(gaps.size()) / sum,
                sum / static_cast<double>(gaps.size()), gaps[gaps.size() * 99 / 100], gaps.back(),
                Milliseconds(mci_.stopStarted - clicked));
        }
        std::fflush(stdout);
        std::_Exit(0);
    }

private:
    const TimedMemory& memory_;
    const StopWatchMci& mci_;
    fs::path folder_;
};

// No wait after the deactivation cue: nothing is heard here.
class NoSleep final : public platform::Sleeper {
public:
    void Sleep(std::uint32_t /*milliseconds*/) override {}
};

void PostClick(QWidget& button) {
    const QPointF centre(button.width() / 2.0, button.height() / 2.0);
    const QPointF global = button.mapToGlobal(centre);
    QCoreApplication::postEvent(&button, new QMouseEvent(QEvent::MouseButtonPress, centre, global, Qt::LeftButton,
                                                         Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(&button, new QMouseEvent(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton,
                                                         Qt::NoButton, Qt::NoModifier));
}

// One run in a child process: Start, track, a Stop click from another
// thread; the program's ending prints the figures.
void InProcessRun(const fs::path& folder) {
    int argc = 1;
    char name[] = "kerbcall-running-cost-bench";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    posix::ProcFsProcessList processes;
    TimedMemory memory;
    posix::PosixFiles files;
    StopWatchMci mci;
    NoSleep sleeper;
    qt::QtMessagePump pump;
    MeasuringProgram program(memory, mci, folder);
    posix::XdgUserFolders userFolders;
    posix::PosixUdp udp;
    platform::Services services{processes, memory, files, mci, sleeper, pump, program, userFolders, udp};
    qt::ProgramWindows windows(services);
    windows.globals.noteFileName = "Bench.ini";
    std::thread user([&] {
        std::this_thread::sleep_for(kTrackingPerRun);
        // Stamped just before the click is posted.
        mci.clicked.store(Clock::now().time_since_epoch().count());
        PostClick(windows.mainWindow.Command2);
    });
    user.detach();
    QTimer::singleShot(0, [&] { windows.mainWindow.Command2.click(); });
    QApplication::exec();
}

void InProcessRuns() {
    const fs::path folder = fs::temp_directory_path() / ("kerbcall-loop-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::ofstream(folder / "Bench.ini", std::ios::binary) << "left3.mp3,100\r\nhairpin.mp3,2000\r\n";
    const posix::testing::SimProcess simulator = DrivingSimulator();
    std::printf(
        "trigger loop with the program's windows (status line refreshed four times a second) and "
        "services, %lld s tracking a run, notes at 100 and 2000 (target: Stop handled within 50 ms):\n",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(kTrackingPerRun).count()));
    std::fflush(stdout);
    for (int run = 0; run < kInProcessRuns; ++run) {
        const pid_t child = ::fork();
        if (child == 0) {
            InProcessRun(folder);
            std::_Exit(1);
        }
        ::waitpid(child, nullptr, 0);
    }
    fs::remove_all(folder);
}

}  // namespace
}  // namespace kerbcall::bench

int main() {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    kerbcall::bench::InProcessRuns();
    kerbcall::bench::RealProgramCpu();
    return 0;
}
