#include "tools/cli/notes/note_warnings.h"

#include <algorithm>
#include <numeric>
#include <optional>

#include "platform/trimmed.h"

namespace kerbcall::cli {

std::string NoteLineRef(const NoteFileContents& contents, std::size_t note) {
    return "line " + std::to_string(contents.noteLines[note]) + " (note " + std::to_string(note) + ")";
}

namespace {

// Lines the reader takes as notes although their author most likely meant
// them as something else.
void WarnAboutMisreadLines(const NoteFileContents& contents, std::vector<std::string>& warnings) {
    for (std::size_t i = 0; i < contents.notes.size(); ++i) {
        const std::string_view trimmed = platform::Trimmed(contents.lineTexts[i], " \t\n");
        if (trimmed.empty()) {
            warnings.push_back(NoteLineRef(contents, i) + ": a line of blanks is taken as a note at distance 0");
        } else if (trimmed.front() == '[') {
            warnings.push_back(NoteLineRef(contents, i) +
                               ": looks like a heading but is taken as a note; write \"[ \" to make it a heading");
        } else if (trimmed.front() == ';') {
            warnings.push_back(NoteLineRef(contents, i) +
                               ": looks like a comment but is taken as a note; start the line with \";\"");
        } else if (contents.notes[i].soundFile.empty()) {
            warnings.push_back(NoteLineRef(contents, i) + ": the note has no sound file name");
        }
    }
}

// "2-6, 8": numbers in order, runs of consecutive ones joined.
std::string Runs(std::vector<std::size_t> numbers) {
    std::ranges::sort(numbers);
    std::string text;
    for (std::size_t i = 0; i < numbers.size();) {
        std::size_t last = i;
        while (last + 1 < numbers.size() && numbers[last + 1] == numbers[last] + 1) {
            ++last;
        }
        text += (text.empty() ? "" : ", ") + std::to_string(numbers[i]) +
                (last > i ? "-" + std::to_string(numbers[last]) : std::string());
        i = last + 1;
    }
    return text;
}

// Notes whose windows (distance - 10 to distance + 10, open) share a sample,
// one warning for each run of them in distance order. All are called: a
// note fires as the sample enters its window, one note per pass (the first
// in table order where several could), and each call cuts off the sound
// still playing.
void WarnAboutOverlaps(const NoteFileContents& contents, std::vector<std::string>& warnings) {
    const auto distance = [&](std::size_t note) { return std::int64_t{contents.notes[note].triggerDistance}; };
    std::vector<std::size_t> byDistance(contents.notes.size());
    std::iota(byDistance.begin(), byDistance.end(), std::size_t{0});
    std::ranges::stable_sort(byDistance, {}, distance);
    for (std::size_t first = 0, last = 0; first < byDistance.size(); first = ++last) {
        while (last + 1 < byDistance.size() && distance(byDistance[last + 1]) - distance(byDistance[last]) < 20) {
            ++last;
        }
        const std::int64_t nearest = distance(byDistance[first]);
        const std::int64_t farthest = distance(byDistance[last]);
        if (last == first + 1) {
            const std::size_t a = std::min(byDistance[first], byDistance[last]);
            const std::size_t b = std::max(byDistance[first], byDistance[last]);
            const std::string heard =
                nearest == farthest
                    ? "at once: note " + std::to_string(a) + " first, note " + std::to_string(b) + " on a later pass"
                    : "driving on: the note at " + std::to_string(nearest) + " first, the note at " +
                          std::to_string(farthest) + " " + std::to_string(farthest - nearest) + " units later";
            warnings.push_back(NoteLineRef(contents, a) + " and " + NoteLineRef(contents, b) +
                               ": trigger windows overlap (" + std::to_string(distance(a)) + " and " +
                               std::to_string(distance(b)) + "): both are called, " + heard +
                               ", cutting off what still plays");
        } else if (last > first) {
            std::vector<std::size_t> notes(byDistance.begin() + static_cast<std::ptrdiff_t>(first),
                                           byDistance.begin() + static_cast<std::ptrdiff_t>(last) + 1);
            std::vector<std::size_t> lines;
            for (const std::size_t note : notes) {
                lines.push_back(contents.noteLines[note]);
            }
            const std::string count = std::to_string(notes.size());
            warnings.push_back(
                "lines " + Runs(lines) + " (notes " + Runs(notes) + "): " +
                (nearest == farthest
                     ? count + " notes at " + std::to_string(nearest) +
                           " share one trigger window: all are called at once, one a pass in table order"
                     : count + " notes from " + std::to_string(nearest) + " to " + std::to_string(farthest) +
                           " whose trigger windows overlap in a row: all are called, one after another") +
                ", each cutting off what still plays");
        }
    }
}

// What a text editor may have saved instead of 8-bit text.
std::optional<std::string> WrongEncoding(std::string_view bytes) {
    constexpr char kSaveAs[] = "save the file as ANSI (Windows-1252) or as UTF-8 without a byte-order mark";
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        return std::string(
                   "the file begins with a UTF-8 byte-order mark, which Kerbcall reads as the start of the "
                   "first note's sound name: that sound is not found and the call is never heard; ") +
               kSaveAs;
    }
    std::string found;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        found =
            bytes.front() == '\xFF' ? "little-endian, with a byte-order mark" : "big-endian, with a byte-order mark";
    } else {
        // Latin text in UTF-16 without a mark: one byte of every two is 0.
        const std::size_t pairs = std::min(bytes.size(), std::size_t{1024}) / 2;
        std::size_t zeroFirst = 0;
        std::size_t zeroSecond = 0;
        for (std::size_t k = 0; k < pairs; ++k) {
            zeroFirst += bytes[2 * k] == '\0' ? 1U : 0U;
            zeroSecond += bytes[2 * k + 1] == '\0' ? 1U : 0U;
        }
        const auto mostly = [&](std::size_t zeros, std::size_t others) {
            return pairs >= 2 && zeros * 4 >= pairs * 3 && others * 10 < pairs;
        };
        if (mostly(zeroSecond, zeroFirst)) {
            found = "little-endian, without a byte-order mark";
        } else if (mostly(zeroFirst, zeroSecond)) {
            found = "big-endian, without a byte-order mark";
        } else {
            return std::nullopt;
        }
    }
    return "the file is UTF-16 (" + found +
           "): Kerbcall reads note files as 8-bit text, so these notes are not what was written; " + kSaveAs;
}

}  // namespace

std::vector<std::string> NoteFileWarnings(const NoteFileContents& contents, std::string_view bytes) {
    std::vector<std::string> warnings;
    if (std::optional<std::string> encoding = WrongEncoding(bytes)) {
        warnings.push_back(std::move(*encoding));
    }
    if (contents.notes.empty()) {
        warnings.emplace_back("the file holds no note: Kerbcall calls nothing");
    }
    WarnAboutMisreadLines(contents, warnings);
    WarnAboutOverlaps(contents, warnings);
    return warnings;
}

}  // namespace kerbcall::cli
