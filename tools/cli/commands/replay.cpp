#include "tools/cli/commands/commands.h"

#include <charconv>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

#include "engine/trigger_loop.h"
#include "tools/cli/json_text.h"
#include "tools/cli/notes/note_loading.h"

namespace kerbcall::cli {

namespace {

// One sample line: a decimal number, taken as the simulator's 32-bit float.
std::optional<float> ParseSample(const std::string& line) {
    const std::size_t first = line.find_first_not_of(" \t");
    const std::size_t last = line.find_last_not_of(" \t");
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

int Replay(const NoteFileOptions& options, const NoteFileContents& contents) {
    const auto& notes = contents.notes;
    const NoteWindows windows(notes);
    TriggerState state;
    std::ostringstream plain;
    Json fired = Json::array();
    std::string line;
    std::size_t pass = 0;
    for (std::size_t lineNumber = 1; std::getline(std::cin, line); ++lineNumber) {
        if (line.ends_with('\r')) {
            line.pop_back();
        }
        // A blank line is no sample: it is passed over.
        if (line.find_first_not_of(" \t") == std::string::npos) {
            continue;
        }
        ++pass;
        const std::optional<float> sample = ParseSample(line);
        if (!sample) {
            std::cerr << "line " << lineNumber << ": not a number: " << line << '\n';
            return kExitRejected;
        }
        const std::optional<int> note = DecidePass(windows, state, *sample);
        if (!note) {
            continue;
        }
        const std::string& soundFile = notes[static_cast<std::size_t>(*note)].soundFile;
        if (options.json) {
            fired.push_back({{"pass", pass}, {"note", *note}, {"soundFile", NameToUtf8(soundFile)}});
        } else {
            plain << pass << '\t' << *note << '\t' << soundFile << '\n';
        }
    }
    std::cout << (options.json ? Json{{"fired", std::move(fired)}}.dump() + '\n' : plain.str());
    return 0;
}

}  // namespace

void AddReplayCommand(CommandLine& commandLine) {
    auto options = std::make_shared<NoteFileOptions>();
    CLI::App& command = commandLine.AddCommand(
        "replay", "Run distance samples (one a line, on standard input) through the pass decision", [options] {
            return WithNoteFile(*options, [&](const NoteFileContents& contents, std::string_view) {
                return Replay(*options, contents);
            });
        });
    AddNoteFileOptions(command, *options);
}

}  // namespace kerbcall::cli
