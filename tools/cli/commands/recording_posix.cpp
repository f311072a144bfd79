// Recording on Linux: single keys from the terminal in raw mode, the
// simulator (or a title read through its telemetry) found and read through
// the program's own simulator link.
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "engine/note_file.h"
#include "platform/ascii_case.h"
#include "platform/message_pump.h"
#include "platform/program.h"
#include "simlink/distance_sources.h"
#include "simlink/position_reader.h"
#include "simlink/process_discovery.h"
#include "tools/cli/command_line.h"
#include "tools/cli/commands/recording.h"
#include "tools/cli/output/appended_file.h"
#include "tools/cli/output/output_rule.h"
#include "tools/cli/simulator/probe_platform.h"
#include "tools/lap/lap.h"

namespace kerbcall::cli {

namespace {

constexpr int kWaitForSimulatorMs = 250;
constexpr int kSampleIntervalMs = 50;
constexpr char kCtrlC = 0x03;
constexpr char kCtrlD = 0x04;
constexpr char kEscape = 0x1b;
constexpr char kDelete = 0x7f;
constexpr char kBackspace = 0x08;

volatile std::sig_atomic_t endSignal = 0;

void OnEndSignal(int signal) { endSignal = signal; }

// The terminal in single-key mode, and SIGINT, SIGTERM and SIGHUP turned
// into a request to end, until destroyed: every way out puts both back.
class RawTerminal {
public:
    RawTerminal() {
        struct sigaction action {};
        action.sa_handler = OnEndSignal;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < kEndSignals.size(); ++i) {
            ::sigaction(kEndSignals[i], &action, &previous_[i]);
        }
        raw_ = ::tcgetattr(STDIN_FILENO, &saved_) == 0;
        termios raw = saved_;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
        raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        raw_ = raw_ && ::tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    }
    ~RawTerminal() {
        if (raw_) {
            ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
        }
        for (std::size_t i = 0; i < kEndSignals.size(); ++i) {
            ::sigaction(kEndSignals[i], &previous_[i], nullptr);
        }
    }
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;

    bool IsRaw() const { return raw_; }

private:
    static constexpr std::array<int, 3> kEndSignals = {SIGINT, SIGTERM, SIGHUP};
    termios saved_{};
    bool raw_ = false;
    std::array<struct sigaction, kEndSignals.size()> previous_{};
};

// The keys typed within `timeoutMs`; `closed` when the terminal has gone.
std::string ReadKeys(int timeoutMs, bool& closed) {
    pollfd waiting{STDIN_FILENO, POLLIN, 0};
    if (::poll(&waiting, 1, timeoutMs) <= 0) {
        return {};
    }
    char keys[64];
    const ssize_t got = ::read(STDIN_FILENO, keys, sizeof keys);
    closed = got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN);
    return got > 0 ? std::string(keys, static_cast<std::size_t>(got)) : std::string();
}

// The live distance, to a tenth of a unit.
std::string DistanceText(float distance) {
    char text[64];
    const auto written = std::to_chars(std::begin(text), std::end(text), distance, std::chars_format::fixed, 1);
    return std::string(text, written.ptr);
}

// The simulator link's scan yields to a window system; recording has none.
class NoMessages : public platform::MessagePump {
public:
    void HandlePendingMessages() override {}
};

// The scan ends the program when it cannot list the processes; here that
// unwinds, so that the terminal is put back.
class RecordingProgram : public platform::Program {
public:
    std::string Folder() override { return "."; }
    void ShowInformation(std::string_view text, std::string_view /*caption*/) override { std::cerr << text << '\n'; }
    [[noreturn]] void End() override { throw std::runtime_error("the list of running processes cannot be read"); }
};

struct Simulator {
    std::uint32_t pid = 0;
    std::string name;
    int slot = 0;  // in the discovery's names
};

class Recording {
public:
    explicit Recording(const RecordingPlan& plan)
        : plan_(plan),
          notes_(plan.out, "\r\n", false),
          lap_(plan.lap, "\n", true),
          platform_(MakeProbePlatform()),
          settings_(ReadTelemetrySettings(*platform_.files, *platform_.userFolders)),
          names_(*platform_.processes, *platform_.memory, pump_, program_),
          position_(*platform_.memory) {
        names_.LoadExecutableNames();
        LoadTelemetryTitles(names_, settings_);
    }

    std::string WriteProblem() const {
        std::string problem = notes_.WriteProblem();
        return problem.empty() && !plan_.lap.empty() ? lap_.WriteProblem() : problem;
    }

    // The exit status once the recording has ended.
    int Run() {
        std::cout << "recording into " << plan_.out << (plan_.lap.empty() ? "" : ", the drive into " + plan_.lap)
                  << "; keys:";
        for (const auto& [key, sound] : plan_.keys) {
            std::cout << ' ' << key << ' ' << sound;
        }
        std::cout << "; Backspace takes the last line back; Enter, Ctrl-D or Ctrl-C ends\n" << std::flush;
        for (const std::string& problem : settings_.problems) {
            Say(problem);
        }
        while (FindSimulator() && Drive()) {
        }
        if (heldSince_) {
            AppendLapPoint(*heldSince_, lastPoint_->second);
        }
        if (const std::string problem = lap_.Flush(); !problem.empty()) {
            Fail(problem);
        }
        std::cout << "\r\x1b[K"
                  << "note lines recorded into " << plan_.out << ": " << recorded_ << '\n';
        return endSignal != 0 ? 128 + endSignal : status_;
    }

private:
    enum class Key { kNone, kEnd };

    // The simulators running, in the order the program's scan meets them,
    // then the titles read through their telemetry, which it takes only
    // when no simulator runs.
    std::vector<Simulator> RunningSimulators() {
        std::vector<Simulator> running;
        const std::unique_ptr<platform::ProcessSnapshot> snapshot = platform_.processes->TakeSnapshot();
        if (!snapshot) {
            program_.End();
        }
        for (platform::ProcessEntry entry; snapshot->Next(entry);) {
            const auto& names = names_.simExecutables;
            const auto named = std::ranges::find_if(names, [&](const std::string& name) {
                return !name.empty() && platform::EqualIgnoringAsciiCase(name, entry.exeName);
            });
            if (named != names.end()) {
                running.push_back({entry.processId, entry.exeName, static_cast<int>(named - names.begin())});
            }
        }
        std::stable_partition(running.begin(), running.end(),
                              [](const Simulator& found) { return found.slot <= ProcessDiscovery::kSimulatorSlots; });
        return running;
    }

    // Waits for the simulator (the one --pid names, or the first) and opens
    // it; false when the recording ends.
    bool FindSimulator() {
        bool saidWaiting = false;
        for (;;) {
            const std::vector<Simulator> running = RunningSimulators();
            const auto chosen = std::ranges::find_if(
                running, [&](const Simulator& simulator) { return !plan_.pid || simulator.pid == *plan_.pid; });
            if (chosen != running.end()) {
                const bool title = chosen->slot > ProcessDiscovery::kSimulatorSlots;
                names_.simProcessId = chosen->pid;
                names_.simExecutableIndex = chosen->slot;
                names_.simProcess = title ? 0 : platform_.memory->OpenForReading(chosen->pid);
                if (!title && names_.simProcess == 0) {
                    Fail("cannot read the simulator's memory: " + platform_.readAccessProblem(chosen->pid));
                    return false;
                }
                source_ = OpenDistanceSource(names_, position_, settings_, platform_.Sources());
                const std::string port = title ? ", UDP port " + std::to_string(source_->Port().value_or(0)) : "";
                Say("recording from " + chosen->name + " (pid " + std::to_string(chosen->pid) + port + ")");
                if (running.size() > 1 && !plan_.pid) {
                    std::string others;
                    for (const Simulator& other : running) {
                        others += other.pid == chosen->pid ? "" : " " + std::to_string(other.pid);
                    }
                    Say("other simulators run too (pid" + others + "); give --pid to record from another");
                }
                return true;
            }
            if (!saidWaiting) {
                Say(plan_.pid ? "waiting for the simulator with pid " + std::to_string(*plan_.pid) + " to start"
                              : std::string("waiting for the simulator to start"));
                saidWaiting = true;
            }
            if (HandleKeys(ReadKeys(kWaitForSimulatorMs, closed_), false) == Key::kEnd) {
                return false;
            }
        }
    }

    // Shows the distance, writes the lap and records keys; false when the
    // recording ends, true when the simulator has gone.
    bool Drive() {
        for (;;) {
            // As the program's trigger loop: the source says when the simulator has gone.
            const DistanceRead read = source_->Read();
            if (read == DistanceRead::kEnded) {
                Say("the simulator has ended");
                return true;
            }
            if (const std::string problem = source_->Problem(); problem != saidProblem_) {
                Say(problem.empty() ? "the distance is read again" : problem);
                saidProblem_ = problem;
            }
            if (std::string problem =
                    read == DistanceRead::kDistance ? RecordLapPoint(source_->Distance()) : std::string();
                !problem.empty()) {
                Fail(problem);
                return false;
            }
            if (const std::string text =
                    source_->Fresh() ? "distance " + DistanceText(source_->Distance()) : "no distance yet";
                text != shown_) {
                std::cout << "\r\x1b[K" << text << std::flush;
                shown_ = text;
            }
            if (HandleKeys(ReadKeys(kSampleIntervalMs, closed_), true) == Key::kEnd) {
                return false;
            }
        }
    }

    // A point of the lap for each sample that moved, and the last one that
    // stood before it, so that straight lines between the points follow the
    // car; seconds from the first sample.
    std::string RecordLapPoint(float distance) {
        if (plan_.lap.empty() || !std::isfinite(distance)) {
            return {};
        }
        const auto now = std::chrono::steady_clock::now();
        const lap::Microseconds time =
            std::chrono::duration_cast<std::chrono::microseconds>(now - lapStart_.value_or(now)).count();
        lapStart_ = lapStart_.value_or(now);
        if (lastPoint_ && distance == lastPoint_->second) {
            heldSince_ = time;
            return {};
        }
        std::string problem = heldSince_ ? AppendLapPoint(*heldSince_, lastPoint_->second) : std::string();
        return problem.empty() ? AppendLapPoint(time, distance) : problem;
    }

    std::string AppendLapPoint(lap::Microseconds time, float distance) {
        lastPoint_ = {time, distance};
        heldSince_.reset();
        return lap_.Append(lap::LapLine(time, distance), false);
    }

    Key HandleKeys(const std::string& typed, bool driving) {
        if (closed_ || endSignal != 0) {
            return Key::kEnd;
        }
        for (const char key : typed) {
            if (key == '\r' || key == '\n' || key == kCtrlC || key == kCtrlD) {
                return Key::kEnd;
            }
            if (key == kEscape) {
                break;  // the rest of an arrow or function key
            }
            if (key == kDelete || key == kBackspace) {
                std::string problem;
                if (!notes_.RemoveLast(problem)) {
                    Say("no line of this recording to take back");
                    continue;
                }
                if (!problem.empty()) {
                    return Fail(problem);
                }
                --recorded_;
                Say("took the last line back");
                continue;
            }
            const auto sound = plan_.keys.find(key);
            if (sound == plan_.keys.end()) {
                Say(std::string("the key ") + key + " records nothing");
            } else if (!driving) {
                Say("no simulator yet: nothing recorded");
            } else if (plan_.notesBefore + recorded_ >= kNoteTableSize) {
                Say(plan_.out + " holds " + std::to_string(kNoteTableSize) +
                    " notes, as many as Kerbcall reads: nothing recorded");
            } else if (RecordNote(sound->second) == Key::kEnd) {
                return Key::kEnd;
            }
        }
        return Key::kNone;
    }

    Key RecordNote(const std::string& sound) {
        if (source_->Read() != DistanceRead::kDistance) {
            Say("no distance yet: nothing recorded");
            return Key::kNone;
        }
        std::int32_t distance = 0;
        if (!RoundToDistance(source_->Distance(), distance)) {
            Say("the distance " + DistanceText(source_->Distance()) + " is no whole number: nothing recorded");
            return Key::kNone;
        }
        const std::string line = sound + "," + std::to_string(distance);
        if (std::string problem = notes_.Append(line, true); !problem.empty()) {
            return Fail(problem);
        }
        ++recorded_;
        Say(line);
        return Key::kNone;
    }

    Key Fail(const std::string& problem) {
        std::cerr << "\r\x1b[Kkerbcall-cli record: " << problem << '\n';
        status_ = kExitRejected;
        return Key::kEnd;
    }

    // A line above the live distance.
    void Say(const std::string& text) {
        std::cout << "\r\x1b[K" << text << '\n' << std::flush;
        shown_.clear();
    }

    const RecordingPlan& plan_;
    AppendedFile notes_;
    AppendedFile lap_;
    ProbePlatform platform_;
    TelemetrySettings settings_;
    NoMessages pump_;
    RecordingProgram program_;
    ProcessDiscovery names_;  // for the simulator's executable names, and what was chosen
    PositionReader position_;
    std::unique_ptr<DistanceSource> source_;
    std::string saidProblem_;  // the source's problem said last
    std::size_t recorded_ = 0;
    int status_ = 0;
    bool closed_ = false;
    std::string shown_;  // the live distance last shown
    std::optional<std::chrono::steady_clock::time_point> lapStart_;
    std::optional<std::pair<lap::Microseconds, float>> lastPoint_;  // the last point written
    std::optional<lap::Microseconds> heldSince_;                    // the last sample that stood there
};

}  // namespace

int RunRecording(const RecordingPlan& plan) {
    if (::isatty(STDIN_FILENO) == 0) {
        std::cerr << "kerbcall-cli record: reads single keys from a terminal, and standard input is none\n";
        return kExitUsage;
    }
    Recording recording(plan);
    if (const std::string problem = recording.WriteProblem(); !problem.empty()) {
        std::cerr << "kerbcall-cli record: " << problem << '\n';
        return kExitRejected;
    }
    const RawTerminal terminal;
    if (!terminal.IsRaw()) {
        std::cerr << "kerbcall-cli record: " << SystemError("cannot set the terminal to single keys") << '\n';
        return kExitRejected;
    }
    return recording.Run();
}

}  // namespace kerbcall::cli
