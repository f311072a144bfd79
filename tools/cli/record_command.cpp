// kerbcall-cli record: writes a note line for each key pressed while the
// simulator drives, at the distance the car has at that moment.
#include "tools/cli/record_command.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <memory>

#include "tools/cli/bench_commands.h"
#include "tools/cli/loaded_note_file.h"

namespace kerbcall::cli {

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
