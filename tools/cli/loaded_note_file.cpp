#include "tools/cli/loaded_note_file.h"

#include <array>
#include <filesystem>
#include <fstream>

#include "platform/files.h"

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

}  // namespace kerbcall::cli
