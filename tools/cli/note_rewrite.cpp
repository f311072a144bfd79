#include "tools/cli/note_rewrite.h"

#include <algorithm>

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

}  // namespace

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

}  // namespace kerbcall::cli
