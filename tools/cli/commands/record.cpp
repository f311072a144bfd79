// kerbcall-cli record: writes a note line for each key pressed while the
// simulator drives, at the distance the car has at that moment.

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

// Lines "KEY,SOUND": one printable character, a comma and a sound file name
// without "," or ";". Empty lines are skipped; lines end in LF, CR LF or CR.
// An error names the line.
std::variant<KeyMap, std::string> ParseKeyMap(std::string_view text) {
    KeyMap keys;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view line = text.substr(0, end);
        const std::size_t next = end == std::string_view::npos          ? text.size()
                                 : text.substr(end).starts_with("\r\n") ? end + 2
                                                                        : end + 1;
        text.remove_prefix(next);
        if (line.empty()) {
            continue;
        }
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        const std::string_view sound = line.size() > 2 ? line.substr(2) : std::string_view();
        if (line.size() < 3 || line[1] != ',' || line[0] <= ' ' || line[0] > '~' ||
            sound.find_first_of(",;") != std::string_view::npos) {
            return where + "expected KEY,SOUND (one character, a comma and a sound file name)";
        }
        if (!keys.emplace(line[0], sound).second) {
            return where + "the key " + line[0] + " is given twice";
        }
    }
    if (keys.empty()) {
        return std::string("no key is given");
    }
    return keys;
}

}  // namespace

void AddRecordCommand(CommandLine& commandLine) {
    struct Options {
        std::string out;
        std::string keyFile;
    };
    const auto options = std::make_shared<Options>();
    CLI::App& command = commandLine.AddCommand(
        "record", "Write a note at the simulator's distance for each key pressed; OUT is appended to", [options] {
            KeyMap keys = DefaultKeyMap();
            if (!options->keyFile.empty()) {
                // A key map is small; the note file limit is ample for it.
                auto bytes = ReadFileBytes(options->keyFile);
                auto parsed = std::holds_alternative<std::string>(bytes)
                                  ? ParseKeyMap(std::get<std::string>(bytes))
                                  : std::variant<KeyMap, std::string>(std::get<NoteFileFault>(bytes).reason);
                if (const auto* problem = std::get_if<std::string>(&parsed)) {
                    std::cerr << "kerbcall-cli record: " << options->keyFile << ": " << *problem << '\n';
                    return kExitRejected;
                }
                keys = std::get<KeyMap>(std::move(parsed));
            }
            const OutputRules appendTo{.inPlace = false, .force = true};
            if (const std::string problem = OutputProblem(options->out, {}, appendTo); !problem.empty()) {
                std::cerr << "kerbcall-cli record: " << problem << '\n';
                return kExitRejected;
            }
            return RunRecording(options->out, keys);
        });
    command.add_option("OUT", options->out, "the note file to write")->required();
    command.add_option("--keys", options->keyFile, "lines KEY,SOUND instead of the default keys");
}

}  // namespace kerbcall::cli
