#include "tools/cli/notes/note_rewrite.h"

#include <algorithm>
#include <charconv>
#include <iostream>
#include <iterator>
#include <memory>

#include "tools/cli/command_line.h"
#include "tools/cli/notes/note_loading.h"

namespace kerbcall::cli {

namespace {

std::string Where(const std::string& file, std::size_t line) {
    return line == 0 ? file : file + ":" + std::to_string(line);
}

// The note line `text` (line `lineNumber`, read as `note`) with `distance`
// in place of the characters the program reads as its distance, every other
// character as it was; a fault where that cannot be done.
std::variant<std::string, NoteFileFault> WithDistance(std::string_view text, std::size_t lineNumber,
                                                      const PaceNote& note, std::int32_t distance) {
    if (distance == note.triggerDistance) {
        return std::string(text);
    }
    const std::string_view fields = text.substr(0, text.find(';'));
    const std::size_t comma = fields.find(',');
    const std::size_t from = comma == std::string_view::npos ? 0 : comma + 1;
    const std::string_view distanceText = fields.substr(from);
    const LenientNumber number = ReadLenientNumber(distanceText);
    if (number.begin == number.end && number.begin != distanceText.size()) {
        return NoteFileFault{lineNumber, "the distance \"" + std::string(distanceText) +
                                             "\" is no number, and a number put before it would change how it reads"};
    }
    std::string written(text.substr(0, from + number.begin));
    written += std::to_string(distance);
    written += text.substr(from + number.end);
    const NoteFileReading reading = ParseNoteFile(written);
    const auto* readBack = std::get_if<NoteFileContents>(&reading);
    if (readBack == nullptr || readBack->notes.size() != 1 || readBack->notes[0].soundFile != note.soundFile ||
        readBack->notes[0].triggerDistance != distance) {
        return NoteFileFault{lineNumber, "the new distance " + std::to_string(distance) + " would run into \"" +
                                             std::string(distanceText.substr(number.end)) +
                                             "\" after it and read otherwise"};
    }
    return written;
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

std::variant<std::string, NoteFileFault> RewriteNoteFile(std::string_view bytes, const NoteFileContents& contents,
                                                         const std::vector<MovedNote>& kept) {
    // The lines of the notes kept, in file order: the places they fill.
    std::vector<std::size_t> places;
    for (const MovedNote& moved : kept) {
        places.push_back(contents.noteLines.at(moved.note));
    }
    std::ranges::sort(places);
    const std::vector<NoteFileLine> lines = SplitNoteFileLines(bytes);
    // Each line of the result, without its end; a note line left out stays empty.
    std::vector<std::string> texts(lines.size() + 1);
    std::vector<bool> written(texts.size());
    std::vector<PaceNote> intended;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const std::size_t note = kept[i].note;
        auto text =
            WithDistance(contents.lineTexts[note], contents.noteLines[note], contents.notes[note], kept[i].distance);
        if (auto* fault = std::get_if<NoteFileFault>(&text)) {
            return std::move(*fault);
        }
        texts[places[i]] = std::get<std::string>(std::move(text));
        written[places[i]] = true;
        intended.push_back({contents.notes[note].soundFile, kept[i].distance});
    }
    std::vector<bool> isNoteLine(texts.size());
    for (const std::size_t line : contents.noteLines) {
        isNoteLine[line] = true;
    }
    // Every line keeps its place and its line end; a note line takes the text of the note that fills it.
    std::string result;
    std::vector<std::string_view> intendedLines;
    for (std::size_t number = 1; number <= lines.size(); ++number) {
        if (!isNoteLine[number]) {
            texts[number] = lines[number - 1].text;
        } else if (!written[number]) {
            continue;
        }
        result.append(texts[number]).append(lines[number - 1].end);
        intendedLines.push_back(texts[number]);
    }
    if (result.empty()) {
        return NoteFileFault{0, "no line would be left"};
    }
    // Read back as the program reads it: the same lines, and the notes intended.
    const std::vector<NoteFileLine> readLines = SplitNoteFileLines(result);
    const auto differs = std::ranges::mismatch(readLines, intendedLines, {}, &NoteFileLine::text);
    if (readLines.size() != intendedLines.size() || differs.in1 != readLines.end()) {
        return NoteFileFault{0, "line " + std::to_string(differs.in1 - readLines.begin() + 1) +
                                    " of the file written would not read back as written"};
    }
    const NoteFileReading reading = ParseNoteFile(result);
    const auto* readBack = std::get_if<NoteFileContents>(&reading);
    const auto same = [](const PaceNote& a, const PaceNote& b) {
        return a.soundFile == b.soundFile && a.triggerDistance == b.triggerDistance;
    };
    if (readBack == nullptr || !std::ranges::equal(readBack->notes, intended, same)) {
        return NoteFileFault{0, "the file written would not read back as the notes intended"};
    }
    return result;
}

void AddRewriteOptions(CLI::App& command, RewriteTarget& target) {
    command.add_option("FILE", target.file, "the note file")->required();
    command.add_option("-o,--output", target.out, "the file to write");
    command.add_flag("--in-place", target.rules.inPlace, "write over FILE (through a new file renamed over it)");
    command.add_flag("--force", target.rules.force, "write over an existing OUT");
}

int RewriteNotes(const std::string& command, const RewriteTarget& target,
                 std::initializer_list<std::filesystem::path> otherInputs, const NotePlan& plan) {
    const std::string prefix = "kerbcall-cli " + command + ": ";
    if (target.out.empty() && !target.rules.inPlace) {
        std::cerr << prefix << "give -o OUT, or --in-place to write over " << target.file << '\n';
        return kExitUsage;
    }
    const std::string out = target.out.empty() ? target.file : target.out;
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
    if (const std::string problem = OutputProblem(out, target.file, otherInputs, target.rules); !problem.empty()) {
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
        std::cerr << prefix << Where(target.file, fault->line) << ": " << fault->reason << "; nothing written\n";
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
