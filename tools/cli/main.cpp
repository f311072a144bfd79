// kerbcall-cli: checks note files and replays distance samples through the
// same reading and the same pass decision as the program.
#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "engine/note_file.h"
#include "engine/trigger_loop.h"
#include "tools/cli/bench_commands.h"
#include "tools/cli/json_text.h"
#include "tools/cli/loaded_note_file.h"
#include "tools/cli/note_check.h"
#include "tools/cli/probe.h"

namespace kerbcall::cli {

namespace {

constexpr char kUsage[] =
    "usage: kerbcall-cli check FILE [--json] [--sounds DIR]\n"
    "       kerbcall-cli replay FILE [--json] < SAMPLES\n"
    "       kerbcall-cli probe [--json]\n"
    "       kerbcall-cli edit|lead|record --help\n";

struct NoteFileArguments {
    std::string file;
    bool json = false;
    std::optional<std::string> soundFolder;
};

std::optional<NoteFileArguments> ParseNoteFileArguments(const std::vector<std::string>& args, bool allowSounds) {
    NoteFileArguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json") {
            parsed.json = true;
        } else if (allowSounds && args[i] == "--sounds" && i + 1 < args.size()) {
            parsed.soundFolder = args[++i];
        } else if (parsed.file.empty() && !args[i].starts_with("--")) {
            parsed.file = args[i];
        } else {
            return std::nullopt;
        }
    }
    if (parsed.file.empty()) {
        return std::nullopt;
    }
    return parsed;
}

// Prints the program's own message for a file it would not load.
void ReportUnloadable(const NoteFileArguments& args, const std::string& message, const NoteFileFault& fault) {
    std::cerr << args.file << (fault.line != 0 ? ":" + std::to_string(fault.line) : std::string()) << ": "
              << fault.reason << '\n';
    if (args.json) {
        std::cout << "{\"error\":" << JsonString(message) << "}\n";
    } else {
        std::cout << message << '\n';
    }
}

// Parses the arguments and loads the note file as the program would, then
// runs `command` on it; the exit code on bad arguments or a rejected file.
int WithNoteFile(const std::vector<std::string>& rawArgs, bool allowSounds,
                 const std::function<int(const NoteFileArguments&, const NoteFileContents&)>& command) {
    const auto args = ParseNoteFileArguments(rawArgs, allowSounds);
    if (!args) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    std::error_code error;
    if (!std::filesystem::exists(args->file, error)) {
        ReportUnloadable(*args, kMissingNoteFileMessage, NoteFileFault{0, "no such file"});
        return kExitRejected;
    }
    std::variant<std::string, NoteFileFault> bytes = ReadFileBytes(args->file);
    if (const auto* fault = std::get_if<NoteFileFault>(&bytes)) {
        ReportUnloadable(*args, kDamagedNoteFileMessage, *fault);
        return kExitRejected;
    }
    const LoadedNoteFile loaded(std::move(std::get<std::string>(bytes)));
    if (const auto* fault = std::get_if<NoteFileFault>(&loaded.Reading())) {
        ReportUnloadable(*args, kDamagedNoteFileMessage, *fault);
        return kExitRejected;
    }
    return command(*args, std::get<NoteFileContents>(loaded.Reading()));
}

int Check(const NoteFileArguments& args, const NoteFileContents& contents) {
    const std::vector<std::string> warnings = NoteFileWarnings(contents, args.soundFolder);
    if (args.json) {
        std::cout << "{\"lastNoteIndex\":" << static_cast<int>(contents.notes.size()) - 1 << ",\"notes\":[";
        for (std::size_t i = 0; i < contents.notes.size(); ++i) {
            std::cout << (i ? "," : "") << "{\"soundFile\":" << JsonString(contents.notes[i].soundFile)
                      << ",\"triggerDistance\":" << contents.notes[i].triggerDistance << '}';
        }
        std::cout << "],\"warnings\":[";
        for (std::size_t i = 0; i < warnings.size(); ++i) {
            std::cout << (i ? "," : "") << JsonString(warnings[i]);
        }
        std::cout << "]}\n";
        return 0;
    }
    for (std::size_t i = 0; i < contents.notes.size(); ++i) {
        std::cout << i << '\t' << contents.notes[i].triggerDistance << '\t' << contents.notes[i].soundFile << '\n';
    }
    for (const std::string& warning : warnings) {
        std::cerr << "warning: " << warning << '\n';
    }
    return 0;
}

// One sample line: a decimal number, taken as the simulator's 32-bit float.
std::optional<float> ParseSample(std::string line) {
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    const std::size_t first = line.find_first_not_of(" \t");
    const std::size_t last = line.find_last_not_of(" \t");
    if (first == std::string::npos) {
        return std::nullopt;
    }
    const char* begin = line.data() + first;
    const char* end = line.data() + last + 1;
    if (*begin == '+') {
        ++begin;
    }
    float sample = 0.0F;
    const auto result = std::from_chars(begin, end, sample);
    if (result.ptr != end || (result.ec != std::errc() && result.ec != std::errc::result_out_of_range)) {
        return std::nullopt;
    }
    if (result.ec == std::errc::result_out_of_range) {
        // As a conversion to float rounds it: the infinity of its sign
        // beyond the range, zero below it.
        sample = std::strtof(std::string(begin, end).c_str(), nullptr);
    }
    return sample;
}

int Replay(const NoteFileArguments& args, const NoteFileContents& contents) {
    const auto& notes = contents.notes;
    const NoteWindows windows(notes);
    TriggerState state;
    std::ostringstream fired;
    bool anyFired = false;
    std::string line;
    for (std::size_t pass = 1; std::getline(std::cin, line); ++pass) {
        const std::optional<float> sample = ParseSample(line);
        if (!sample) {
            std::cerr << "line " << pass << ": not a number: " << line << '\n';
            return kExitRejected;
        }
        const std::optional<int> note = DecidePass(windows, state, *sample);
        if (!note) {
            continue;
        }
        const std::string& soundFile = notes[static_cast<std::size_t>(*note)].soundFile;
        if (args.json) {
            fired << (anyFired ? "," : "") << "{\"pass\":" << pass << ",\"note\":" << *note
                  << ",\"soundFile\":" << JsonString(soundFile) << '}';
        } else {
            fired << pass << '\t' << *note << '\t' << soundFile << '\n';
        }
        anyFired = true;
    }
    std::cout << (args.json ? "{\"fired\":[" + fired.str() + "]}\n" : fired.str());
    return 0;
}

// The author's bench; bad usage gets CLI11's message and exit status 2.
int RunBenchCommand(int argc, char** argv) {
    CLI::App app("kerbcall-cli");
    int exitStatus = 0;
    AddEditCommand(app, exitStatus);
    AddLeadCommand(app, exitStatus);
    AddRecordCommand(app, exitStatus);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : kExitUsage;
    }
    return exitStatus;
}

}  // namespace

}  // namespace kerbcall::cli

int main(int argc, char** argv) {
    using namespace kerbcall::cli;
    // Out of memory on a huge input, for one: said, not a crash.
    try {
        const std::vector<std::string> args(argv + (argc > 1 ? 2 : argc), argv + argc);
        const std::string command = argc > 1 ? argv[1] : "";
        if (command == "check") {
            return WithNoteFile(args, true, Check);
        }
        if (command == "replay") {
            return WithNoteFile(args, false, Replay);
        }
        if (command == "probe") {
            return Probe(args);
        }
        if (command == "edit" || command == "lead" || command == "record") {
            return RunBenchCommand(argc, argv);
        }
        std::cerr << kUsage;
        return kExitUsage;
    } catch (const std::exception& error) {
        std::cerr << "kerbcall-cli: " << error.what() << '\n';
        return kExitRejected;
    }
}
