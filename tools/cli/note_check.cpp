#include "tools/cli/note_check.h"

#include <algorithm>
#include <numeric>
#include <set>

#include "platform/path_lookup.h"

namespace kerbcall::cli {

namespace {

std::string LineRef(const NoteFileContents& contents, std::size_t note) {
    return "line " + std::to_string(contents.noteLines[note]) + " (note " + std::to_string(note) + ")";
}

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\n");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\n") - first + 1);
}

// Lines the reader takes as notes although their author most likely meant
// them as something else.
void WarnAboutMisreadLines(const NoteFileContents& contents, std::vector<std::string>& warnings) {
    for (std::size_t i = 0; i < contents.notes.size(); ++i) {
        const std::string_view trimmed = TrimBlanks(contents.lineTexts[i]);
        if (trimmed.empty()) {
            warnings.push_back(LineRef(contents, i) + ": a line of blanks is taken as a note at distance 0");
        } else if (trimmed.front() == '[') {
            warnings.push_back(LineRef(contents, i) +
                               ": looks like a heading but is taken as a note; write \"[ \" to make it a heading");
        } else if (trimmed.front() == ';') {
            warnings.push_back(LineRef(contents, i) +
                               ": looks like a comment but is taken as a note; start the line with \";\"");
        } else if (contents.notes[i].soundFile.empty()) {
            warnings.push_back(LineRef(contents, i) + ": the note has no sound file name");
        }
    }
}

// Every two notes whose windows (distance - 10 to distance + 10, open) share
// a sample. Both are called: a note fires as the sample enters its window,
// one note per pass (the first in table order where several could), and each
// call cuts off the sound still playing.
void WarnAboutOverlaps(const NoteFileContents& contents, std::vector<std::string>& warnings) {
    const auto distance = [&](std::size_t note) { return std::int64_t{contents.notes[note].triggerDistance}; };
    std::vector<std::size_t> byDistance(contents.notes.size());
    std::iota(byDistance.begin(), byDistance.end(), std::size_t{0});
    std::ranges::stable_sort(byDistance, {}, distance);
    for (std::size_t k = 0; k < byDistance.size(); ++k) {
        const std::size_t nearer = byDistance[k];
        for (std::size_t j = k + 1; j < byDistance.size() && distance(byDistance[j]) - distance(nearer) < 20; ++j) {
            const std::size_t farther = byDistance[j];
            const std::int64_t gap = distance(farther) - distance(nearer);
            const std::size_t a = std::min(nearer, farther);
            const std::size_t b = std::max(nearer, farther);
            const std::string heard =
                gap == 0
                    ? "at once: note " + std::to_string(a) + " first, note " + std::to_string(b) + " on a later pass"
                    : "driving on: the note at " + std::to_string(distance(nearer)) + " first, the note at " +
                          std::to_string(distance(farther)) + " " + std::to_string(gap) + " units later";
            warnings.push_back(LineRef(contents, a) + " and " + LineRef(contents, b) + ": trigger windows overlap (" +
                               std::to_string(distance(a)) + " and " + std::to_string(distance(b)) +
                               "): both are called, " + heard + ", cutting off what still plays");
        }
    }
}

void WarnAboutMissingSounds(const NoteFileContents& contents, const std::string& soundFolder,
                            std::vector<std::string>& warnings) {
    std::set<std::string> reported;
    for (std::size_t i = 0; i < contents.notes.size(); ++i) {
        const std::string& name = contents.notes[i].soundFile;
        if (name.empty() || reported.contains(name)) {
            continue;
        }
        const std::optional<std::string> found = platform::LookUpPath(soundFolder + "/" + name);
        if (!found) {
            reported.insert(name);
            warnings.push_back(LineRef(contents, i) + ": sound file \"" + name + "\" is not in " + soundFolder);
        }
    }
}

}  // namespace

std::vector<std::string> NoteFileWarnings(const NoteFileContents& contents,
                                          const std::optional<std::string>& soundFolder) {
    std::vector<std::string> warnings;
    WarnAboutMisreadLines(contents, warnings);
    WarnAboutOverlaps(contents, warnings);
    if (soundFolder) {
        WarnAboutMissingSounds(contents, *soundFolder, warnings);
    }
    return warnings;
}

}  // namespace kerbcall::cli
