// Recording on Linux: single keys from the terminal in raw mode, the
// simulator found and read through the program's own simulator link.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "engine/note_file.h"
#include "platform/message_pump.h"
#include "platform/program.h"
#include "simlink/position_reader.h"
#include "simlink/process_discovery.h"
#include "tools/cli/commands/commands.h"
#include "tools/cli/simulator/probe_platform.h"
#include "tools/cli/commands/recording.h"
#include "tools/cli/output/output_rule.h"

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

// Note lines appended to a file one at a time, each on disk before the next
// key is read. Only the lines of this recording can be taken back.
class NoteAppender {
public:
    explicit NoteAppender(std::filesystem::path out) : out_(std::move(out)) {}
    ~NoteAppender() {
        if (file_ >= 0) {
            ::close(file_);
        }
    }
    NoteAppender(const NoteAppender&) = delete;
    NoteAppender& operator=(const NoteAppender&) = delete;

    // An error text, or empty when the line is on disk.
    std::string Append(const std::string& line) {
        if (file_ < 0) {
            std::error_code error;
            if (!std::filesystem::exists(out_, error)) {
                // A new file is made whole with its first line, beside it,
                // and renamed into place.
                if (std::string problem = WriteBesideAndRename(out_, line + "\r\n"); !problem.empty()) {
                    return problem;
                }
                lengthsBefore_.push_back(0);
                return Open();
            }
            if (std::string problem = Open(); !problem.empty()) {
                return problem;
            }
        }
        const off_t before = ::lseek(file_, 0, SEEK_END);
        const std::string text = (EndsWithLineEnd(before) ? "" : "\r\n") + line + "\r\n";
        if (before < 0 || ::write(file_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
            std::string problem = SystemError("cannot write " + out_.string());
            static_cast<void>(::ftruncate(file_, before));
            return problem;
        }
        if (::fsync(file_) != 0) {
            return SystemError("cannot flush " + out_.string());
        }
        lengthsBefore_.push_back(before);
        return {};
    }

    // Why no line could be written, found before the recording starts;
    // empty when they can.
    std::string WriteProblem() {
        std::error_code error;
        if (std::filesystem::exists(out_, error)) {
            return Open();
        }
        const std::filesystem::path folder = out_.has_parent_path() ? out_.parent_path() : ".";
        return ::access(folder.c_str(), W_OK | X_OK) == 0 ? std::string()
                                                          : SystemError("cannot write in " + folder.string());
    }

    // Takes the last line of this recording back off the file; false when
    // there is none.
    bool RemoveLast(std::string& problem) {
        if (lengthsBefore_.empty()) {
            return false;
        }
        if (::ftruncate(file_, lengthsBefore_.back()) != 0 || ::fsync(file_) != 0) {
            problem = SystemError("cannot shorten " + out_.string());
        }
        lengthsBefore_.pop_back();
        return true;
    }

private:
    std::string Open() {
        file_ = ::open(out_.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
        return file_ < 0 ? SystemError("cannot open " + out_.string()) : std::string();
    }

    // A last line without its end would run on into the new line.
    bool EndsWithLineEnd(off_t length) const {
        char last = '\n';
        return length <= 0 || (::pread(file_, &last, 1, length - 1) == 1 && (last == '\r' || last == '\n'));
    }

    std::filesystem::path out_;
    int file_ = -1;
    std::vector<off_t> lengthsBefore_;
};

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

std::string DistanceText(float distance) {
    char text[32];
    const auto written = std::to_chars(std::begin(text), std::end(text), distance);
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

class Recording {
public:
    Recording(const std::string& out, const KeyMap& keys)
        : out_(out), keys_(keys), appender_(out), platform_(MakeProbePlatform()), position_(*platform_.memory) {}

    std::string WriteProblem() { return appender_.WriteProblem(); }

    // The exit status once the recording has ended.
    int Run() {
        std::cout << "recording into " << out_ << "; keys:";
        for (const auto& [key, sound] : keys_) {
            std::cout << ' ' << key << ' ' << sound;
        }
        std::cout << "; Backspace takes the last line back; Enter, Ctrl-D or Ctrl-C ends\n" << std::flush;
        while (FindSimulator() && Drive()) {
        }
        std::cout << "\r\x1b[K"
                  << "note lines recorded into " << out_ << ": " << recorded_ << '\n';
        return endSignal != 0 ? 128 + endSignal : status_;
    }

private:
    enum class Key { kNone, kEnd };

    // Waits for the simulator and opens it; false when the recording ends.
    bool FindSimulator() {
        bool saidWaiting = false;
        for (;;) {
            ProcessDiscovery discovery(*platform_.processes, *platform_.memory, pump_, program_);
            discovery.LoadExecutableNames();
            const bool onePass = true;
            discovery.FindSimProcess(onePass);
            if (discovery.simExecutableIndex != 0) {
                if (discovery.simProcess == 0) {
                    std::cerr << "kerbcall-cli record: cannot read the simulator's memory: "
                              << platform_.readAccessProblem(discovery.simProcessId) << '\n';
                    status_ = kExitRejected;
                    return false;
                }
                simulatorId_ = discovery.simProcessId;
                position_.simProcess = discovery.simProcess;
                position_.DetectBuild();
                position_.SelectPositionAddress();
                Say("recording from " +
                    discovery.simExecutables[static_cast<std::size_t>(discovery.simExecutableIndex)] + " (pid " +
                    std::to_string(simulatorId_) + ")");
                return true;
            }
            if (!saidWaiting) {
                std::cout << "waiting for the simulator to start\n" << std::flush;
                saidWaiting = true;
            }
            if (HandleKeys(ReadKeys(kWaitForSimulatorMs, closed_), false) == Key::kEnd) {
                return false;
            }
        }
    }

    // Shows the distance and records keys; false when the recording ends,
    // true when the simulator has gone.
    bool Drive() {
        for (;;) {
            // As the program's trigger loop: a read that fails asks whether the simulator has gone.
            if (!position_.SamplePosition() && position_.SimulatorExited()) {
                Say("the simulator has ended");
                return true;
            }
            if (const std::string text = "distance " + DistanceText(position_.currentPosition); text != shown_) {
                std::cout << "\r\x1b[K" << text << std::flush;
                shown_ = text;
            }
            if (HandleKeys(ReadKeys(kSampleIntervalMs, closed_), true) == Key::kEnd) {
                return false;
            }
        }
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
                if (!appender_.RemoveLast(problem)) {
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
            const auto sound = keys_.find(key);
            if (sound == keys_.end()) {
                Say(std::string("the key ") + key + " records nothing");
            } else if (!driving) {
                Say("no simulator yet: nothing recorded");
            } else if (RecordNote(sound->second) == Key::kEnd) {
                return Key::kEnd;
            }
        }
        return Key::kNone;
    }

    Key RecordNote(const std::string& sound) {
        position_.SamplePosition();
        std::int32_t distance = 0;
        if (!RoundToDistance(position_.currentPosition, distance)) {
            Say("the distance " + DistanceText(position_.currentPosition) + " is no whole number: nothing recorded");
            return Key::kNone;
        }
        const std::string line = sound + "," + std::to_string(distance);
        if (std::string problem = appender_.Append(line); !problem.empty()) {
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

    std::string out_;
    const KeyMap& keys_;
    NoteAppender appender_;
    ProbePlatform platform_;
    NoMessages pump_;
    RecordingProgram program_;
    PositionReader position_;
    std::uint32_t simulatorId_ = 0;
    int recorded_ = 0;
    int status_ = 0;
    bool closed_ = false;
    std::string shown_;  // the live distance last shown
};

}  // namespace

int RunRecording(const std::string& out, const KeyMap& keys) {
    if (::isatty(STDIN_FILENO) == 0) {
        std::cerr << "kerbcall-cli record: reads single keys from a terminal, and standard input is none\n";
        return kExitUsage;
    }
    Recording recording(out, keys);
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
