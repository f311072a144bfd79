#include "tools/cli/notes/note_loading.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <variant>

#include "platform/files.h"
#include "tools/cli/command_line.h"
#include "tools/cli/json_text.h"

namespace kerbcall::cli {

std::variant<std::string, NoteFileFault> ReadFileBytes(const std::string& path) {
    std::error_code error;
    std::ifstream file;
    if (std::filesystem::is_regular_file(path, error)) {
        file.open(path, std::ios::binary);
    }
    if (!file.is_open()) {
        return NoteFileFault{0, "cannot be read"};
    }
    std::string bytes;
    std::array<char, 65536> chunk{};
    while (file.read(chunk.data(), chunk.size()) || file.gcount() > 0) {
        const auto got = static_cast<std::size_t>(file.gcount());
        if (bytes.size() + got > platform::Files::kLargestFile) {
            return NoteFileFault{0, "larger than " + std::to_string(platform::Files::kLargestFile >> 20) +
                                        " MiB, which Kerbcall does not read"};
        }
        bytes.append(chunk.data(), got);
    }
    if (file.bad()) {
        return NoteFileFault{0, "cannot be read"};
    }
    return bytes;
}

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
