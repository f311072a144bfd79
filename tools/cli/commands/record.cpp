// kerbcall-cli record: writes a note line for each key pressed while the
// simulator drives, at the distance the car has at that moment, and the
// drive itself as a lap.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <memory>

#include "tools/cli/commands/commands.h"
#include "tools/cli/commands/recording.h"
#include "tools/cli/notes/note_loading.h"
#include "tools/cli/output/output_rule.h"

namespace kerbcall::cli {

namespace {

// 1-6 left1-left6, q w e r t y right1-right6 and the shipped pack's other
// calls under their first letters (i tightens, p opens, l long, j jump).
KeyMap DefaultKeyMap() {
    KeyMap keys;
    for (int i = 0; i < 6; ++i) {
        keys[static_cast<char>('1' + i)] = "left" + std::to_string(i + 1) + ".mp3";
        keys["qwerty"[i]] = "right" + std::to_string(i + 1) + ".mp3";
    }
    for (const char* call : {"hairpin", "square", "caution", "overcrest", "jump", "long", "finish"}) {
        keys[call[0]] = std::string(call) + ".mp3";
    }
    keys['i'] = "tightens.mp3";
    keys['p'] = "opens.mp3";
    return keys;
}

// Why a sound name would not make the note line it is meant for; empty
// when it would.
std::string SoundProblem(std::string_view sound) {
    if (sound.empty()) {
        return "the sound name is empty";
    }
    if (sound.find_first_of(" \t") == 0 || sound.find_last_of(" \t") == sound.size() - 1) {
        return "the sound name begins or ends with a blank, which stays in the name Kerbcall looks for";
    }
    if (sound.starts_with("[ ")) {
        return "a line that begins with \"[ \" is a heading to Kerbcall, not a note";
    }
    if (sound.find(';') != std::string_view::npos) {
        return "a \";\" in the sound name starts a comment that cuts the note line off";
    }
    if (sound.find(',') != std::string_view::npos) {
        return "a \",\" in the sound name ends the name there";
    }
    return {};
}

// Lines "KEY,SOUND" (one printable character, a comma and a sound name that
// makes a note line as meant) added to the default keys, replacing those they
// name; blank lines and lines starting with ";" are skipped; lines end as in
// a note file. An error names the line.
std::variant<KeyMap, std::string> ReadKeyMap(std::string_view text) {
    KeyMap keys = DefaultKeyMap();
    KeyMap given;
    std::size_t lineNumber = 0;
    for (const NoteFileLine& read : SplitNoteFileLines(text)) {
        ++lineNumber;
        const std::string_view line = read.text;
        if (line.find_first_not_of(" \t") == std::string_view::npos || line.front() == ';') {
            continue;
        }
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        if (line.size() < 2 || line[1] != ',' || line[0] <= ' ' || line[0] > '~') {
            return where + "expected KEY,SOUND (one character, a comma and a sound file name)";
        }
        const std::string_view sound = line.substr(2);
        if (const std::string problem = SoundProblem(sound); !problem.empty()) {
            return where + problem;
        }
        if (!given.emplace(line[0], sound).second) {
            return where + "the key " + line[0] + " is given twice";
        }
        keys[line[0]] = sound;
    }
    return keys;
}

// How many notes OUT holds, or why no note may be added to it.
std::variant<std::size_t, std::string> NotesIn(const std::string& out) {
    std::error_code error;
    if (!std::filesystem::exists(out, error)) {
        return std::size_t{0};
    }
    auto bytes = ReadFileBytes(out);
    if (const auto* fault = std::get_if<NoteFileFault>(&bytes)) {
        return fault->reason;
    }
    if (std::get<std::string>(bytes).empty()) {
        return std::size_t{0};
    }
    const NoteFileReading reading = ParseNoteFile(std::get<std::string>(bytes));
    if (const auto* fault = std::get_if<NoteFileFault>(&reading)) {
        return (fault->line == 0 ? "" : "line " + std::to_string(fault->line) + ": ") + fault->reason +
               " (Kerbcall does not read this file)";
    }
    return std::get<NoteFileContents>(reading).notes.size();
}

}  // namespace

void AddRecordCommand(CommandLine& commandLine) {
    struct Options {
        RecordingPlan plan;
        std::string keyFile;
        bool force = false;
    };
    const auto options = std::make_shared<Options>();
    CLI::App& command = commandLine.AddCommand(
        "record", "Write a note at the simulator's distance for each key pressed; OUT is appended to", [options] {
            RecordingPlan& plan = options->plan;
            const std::string prefix = "kerbcall-cli record: ";
            plan.keys = DefaultKeyMap();
            if (!options->keyFile.empty()) {
                auto bytes = ReadFileBytes(options->keyFile);
                auto read = std::holds_alternative<std::string>(bytes)
                                ? ReadKeyMap(std::get<std::string>(bytes))
                                : std::variant<KeyMap, std::string>(std::get<NoteFileFault>(bytes).reason);
                if (const auto* problem = std::get_if<std::string>(&read)) {
                    std::cerr << prefix << options->keyFile << ": " << *problem << '\n';
                    return kExitRejected;
                }
                plan.keys = std::get<KeyMap>(std::move(read));
            }
            std::string problem = OutputProblem(plan.out, {}, {options->keyFile, plan.lap}, {.append = true});
            if (problem.empty() && !plan.lap.empty()) {
                problem = OutputProblem(plan.lap, {}, {options->keyFile, plan.out}, {.force = options->force});
            }
            if (!problem.empty()) {
                std::cerr << prefix << problem << '\n';
                return kExitRejected;
            }
            const auto notes = NotesIn(plan.out);
            if (const auto* notesProblem = std::get_if<std::string>(&notes)) {
                std::cerr << prefix << plan.out << ": " << *notesProblem << "; nothing recorded\n";
                return kExitRejected;
            }
            plan.notesBefore = std::get<std::size_t>(notes);
            return RunRecording(plan);
        });
    command.add_option("OUT", options->plan.out, "the note file to write")->required();
    command.add_option("--keys", options->keyFile, "lines KEY,SOUND added to the default keys");
    command.add_option("--lap", options->plan.lap, "also write the drive as SECONDS,DISTANCE lines")
        ->option_text("LAP");
    command.add_flag("--force", options->force, "write over an existing LAP");
    command.add_option("--pid", options->plan.pid, "record from the simulator with this process id")->option_text("N");
}

}  // namespace kerbcall::cli
