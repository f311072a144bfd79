#include "tools/cli/notes/note_loading.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <variant>

#include "platform/files.h"
#include "tools/cli/command_line.h"
#include "tools/cli/json_text.h"

namespace kerbcall::cli {

namespace fs = std::filesystem;

std::variant<std::string, NoteFileFault> ReadFileBytes(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        return NoteFileFault{0, error && error != std::errc::no_such_file_or_directory
                                    ? "cannot be read: " + error.message()
                                    : std::string("does not exist")};
    }
    if (fs::is_directory(status)) {
        return NoteFileFault{0, "is a folder, not a file"};
    }
    if (!fs::is_regular_file(status)) {
        return NoteFileFault{0, "is not a regular file"};
    }
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        return NoteFileFault{0,
                             "cannot be read: " + std::string(errno != 0 ? std::strerror(errno) : "cannot be opened")};
    }
    std::string bytes;
    std::array<char, 65536> chunk{};
    while (file.read(chunk.data(), chunk.size()) || file.gcount() > 0) {
        const auto got = static_cast<std::size_t>(file.gcount());
        if (bytes.size() + got > platform::Files::kLargestFile) {
            return NoteFileFault{0, "is larger than " + std::to_string(platform::Files::kLargestFile >> 20) +
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
    std::variant<std::string, NoteFileFault> bytes = ReadFileBytes(options.file);
    if (const auto* fault = std::get_if<NoteFileFault>(&bytes)) {
        std::error_code error;
        // The program tells a missing file from one it cannot read.
        const bool missing = !fs::exists(options.file, error);
        return ReportUnloadable(options, missing ? kMissingNoteFileMessage : kDamagedNoteFileMessage, *fault);
    }
    const LoadedNoteFile loaded(std::move(std::get<std::string>(bytes)));
    if (const auto* fault = std::get_if<NoteFileFault>(&loaded.Reading())) {
        return ReportUnloadable(options, kDamagedNoteFileMessage, *fault);
    }
    return command(std::get<NoteFileContents>(loaded.Reading()), loaded.Bytes());
}

}  // namespace kerbcall::cli
