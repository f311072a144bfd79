#include "tools/cli/notes/note_rewrite.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <filesystem>
#include <iostream>
#include <memory>

#include "tools/cli/command_line.h"
#include "tools/cli/notes/note_loading.h"

namespace kerbcall::cli {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// The first line at which the written file's reading differs from the table
// intended; 0 when it gives exactly that table.
std::size_t FirstDifference(const NoteFileContents& written, const std::vector<PaceNote>& intended) {
    for (std::size_t i = 0; i < std::max(written.notes.size(), intended.size()); ++i) {
        if (i >= written.notes.size()) {
            return written.noteLines.empty() ? 1 : written.noteLines.back();
        }
        if (i >= intended.size() || written.notes[i].soundFile != intended[i].soundFile ||
            written.notes[i].triggerDistance != intended[i].triggerDistance) {
            return written.noteLines[i];
        }
    }
    return 0;
}

std::string Where(const std::string& file, std::size_t line) {
    return line == 0 ? file : file + ":" + std::to_string(line);
}

}  // namespace

NoteFileFault DistanceOutOfRange(const NoteFileContents& contents, std::size_t note, double value) {
    char text[32];
    auto written = std::to_chars(std::begin(text), std::end(text), value, std::chars_format::fixed);
    if (written.ec != std::errc()) {
        written = std::to_chars(std::begin(text), std::end(text), value);
    }
    return {contents.noteLines[note],
            "the distance would be " + std::string(text, written.ptr) + ", beyond the 32-bit range"};
}

std::string WithDistance(std::string_view noteLine, std::int32_t distance) {
    const std::size_t semicolon = noteLine.find(';');
    const std::string_view fields = noteLine.substr(0, semicolon);
    const std::size_t comma = fields.find(',');
    const std::string_view name = comma == std::string_view::npos ? "" : fields.substr(0, comma + 1);
    std::size_t commentStart = noteLine.size();
    if (semicolon != std::string_view::npos) {
        // The blanks before a comment stay with it: the reader skips them.
        commentStart = semicolon;
        while (commentStart > name.size() &&
               (noteLine[commentStart - 1] == ' ' || noteLine[commentStart - 1] == '\t')) {
            --commentStart;
        }
    }
    return std::string(name) + std::to_string(distance) + std::string(noteLine.substr(commentStart));
}

std::variant<std::string, NoteFileFault> RewriteNoteFile(std::string_view bytes, const NoteFileContents& contents,
                                                         const std::vector<MovedNote>& kept) {
    // The lines of the notes kept, in file order: the places they fill.
    std::vector<std::size_t> places;
    for (const MovedNote& moved : kept) {
        places.push_back(contents.noteLines.at(moved.note));
    }
    std::ranges::sort(places);
    const std::vector<NoteFileLine> lines = SplitNoteFileLines(bytes);
    std::vector<std::string> noteAt(lines.size() + 1);
    std::vector<bool> isNoteLine(noteAt.size());
    std::vector<PaceNote> intended;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        noteAt[places[i]] = WithDistance(contents.lineTexts[kept[i].note], kept[i].distance);
        intended.push_back({contents.notes[kept[i].note].soundFile, kept[i].distance});
    }
    for (const std::size_t line : contents.noteLines) {
        isNoteLine[line] = true;
    }
    std::string written;
    std::size_t lineNumber = 0;
    for (const NoteFileLine& line : lines) {
        ++lineNumber;
        if (!isNoteLine[lineNumber]) {
            written.append(line.text).append(kLineEnd);
        } else if (std::ranges::binary_search(places, lineNumber)) {
            written.append(noteAt[lineNumber]).append(kLineEnd);
        }
    }
    if (written.empty()) {
        return NoteFileFault{0, "no line would be left"};
    }
    const NoteFileReading reading = ParseNoteFile(written);
    if (const auto* fault = std::get_if<NoteFileFault>(&reading)) {
        return NoteFileFault{fault->line, "the file written would not read back: " + fault->reason};
    }
    if (const std::size_t line = FirstDifference(std::get<NoteFileContents>(reading), intended); line != 0) {
        return NoteFileFault{line, "the file written would not read back as the notes intended"};
    }
    return written;
}

void AddRewriteOptions(CLI::App& command, RewriteTarget& target) {
    command.add_option("FILE", target.file, "the note file")->required();
    command.add_option("-o,--output", target.out, "the file to write");
    command.add_flag("--in-place", target.rules.inPlace, "write over FILE (through a new file renamed over it)");
    command.add_flag("--force", target.rules.force, "write over an existing OUT");
}

int RewriteNotes(const std::string& command, const RewriteTarget& target, const NotePlan& plan) {
    const std::string prefix = "kerbcall-cli " + command + ": ";
    if (target.out.empty() && !target.rules.inPlace) {
        std::cerr << prefix << "give -o OUT, or --in-place to write over " << target.file << '\n';
        return kExitUsage;
    }
    const std::string out = target.out.empty() ? target.file : target.out;
    std::error_code error;
    if (!std::filesystem::exists(target.file, error)) {
        std::cerr << prefix << target.file << ": no such file\n";
        return kExitRejected;
    }
    std::variant<std::string, NoteFileFault> bytes = ReadFileBytes(target.file);
    if (const auto* fault = std::get_if<NoteFileFault>(&bytes)) {
        std::cerr << prefix << target.file << ": " << fault->reason << '\n';
        return kExitRejected;
    }
    const auto loaded = std::make_unique<LoadedNoteFile>(std::move(std::get<std::string>(bytes)));
    if (const auto* fault = std::get_if<NoteFileFault>(&loaded->Reading())) {
        std::cerr << prefix << Where(target.file, fault->line) << ": " << fault->reason
                  << " (Kerbcall does not read this file)\n";
        return kExitRejected;
    }
    if (const std::string problem = OutputProblem(out, target.file, target.rules); !problem.empty()) {
        std::cerr << prefix << problem << "; nothing written\n";
        return kExitRejected;
    }
    const auto& contents = std::get<NoteFileContents>(loaded->Reading());
    const auto planned = plan(contents);
    if (const auto* fault = std::get_if<NoteFileFault>(&planned)) {
        std::cerr << prefix << Where(target.file, fault->line) << ": " << fault->reason << "; nothing written\n";
        return kExitRejected;
    }
    const auto& kept = std::get<std::vector<MovedNote>>(planned);
    const auto rewritten = RewriteNoteFile(loaded->Bytes(), contents, kept);
    if (const auto* fault = std::get_if<NoteFileFault>(&rewritten)) {
        std::cerr << prefix << (fault->line == 0 ? "" : "line " + std::to_string(fault->line) + " of the result: ")
                  << fault->reason << "; nothing written\n";
        return kExitRejected;
    }
    if (const std::string problem = WriteBesideAndRename(out, std::get<std::string>(rewritten)); !problem.empty()) {
        std::cerr << prefix << problem << "; nothing written\n";
        return kExitRejected;
    }
    std::cout << out << ": " << kept.size() << " of " << contents.notes.size() << " notes written\n";
    return 0;
}

}  // namespace kerbcall::cli
