#include "tools/cli/note_file_loading.h"

#include <filesystem>
#include <iostream>
#include <variant>

#include "tools/cli/command_line.h"
#include "tools/cli/json_text.h"
#include "tools/cli/loaded_note_file.h"

namespace kerbcall::cli {

namespace {

// Prints the program's own message for a file it would not load.
int ReportUnloadable(const NoteFileOptions& options, const std::string& message, const NoteFileFault& fault) {
    std::cerr << options.file << (fault.line != 0 ? ":" + std::to_string(fault.line) : std::string()) << ": "
              << fault.reason << '\n';
    if (options.json) {
        std::cout << Json{{"error", message}}.dump() << '\n';
    } else {
        std::cout << message << '\n';
    }
    return kExitRejected;
}

}  // namespace

void AddNoteFileOptions(CLI::App& command, NoteFileOptions& options) {
    command.add_option("FILE", options.file, "The note file")->required();
    command.add_flag("--json", options.json, "Write JSON");
}

int WithNoteFile(const NoteFileOptions& options,
                 const std::function<int(const NoteFileContents&, std::string_view bytes)>& command) {
    std::error_code error;
    if (!std::filesystem::exists(options.file, error)) {
        return ReportUnloadable(options, kMissingNoteFileMessage, NoteFileFault{0, "no such file"});
    }
    std::variant<std::string, NoteFileFault> bytes = ReadFileBytes(options.file);
    if (const auto* fault = std::get_if<NoteFileFault>(&bytes)) {
        return ReportUnloadable(options, kDamagedNoteFileMessage, *fault);
    }
    const LoadedNoteFile loaded(std::move(std::get<std::string>(bytes)));
    if (const auto* fault = std::get_if<NoteFileFault>(&loaded.Reading())) {
        return ReportUnloadable(options, kDamagedNoteFileMessage, *fault);
    }
    return command(std::get<NoteFileContents>(loaded.Reading()), loaded.Bytes());
}

}  // namespace kerbcall::cli
