// Any bytes as a note file, read the way the program reads one: the result is
// a note table or one of the two messages, never a crash, a hang or a read
// out of bounds; and it is the table, or the fault, that the format's rules
// give when they are followed character by character, as written out below.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/note_file.h"
#include "tests/fakes/fake_platform.h"

namespace {

using kerbcall::kNoteTableSize;

// An outcome that breaks a promise of the reader; libFuzzer records the input.
void Require(bool promise) {
    if (!promise) {
        std::abort();
    }
}

bool HasNameDelimiter(const std::string& soundFile) { return soundFile.find_first_of(";,\r") != std::string::npos; }

void CheckContents(std::string_view bytes, const kerbcall::NoteFileContents& contents) {
    Require(contents.notes.size() <= kNoteTableSize);
    Require(contents.noteLines.size() == contents.notes.size());
    Require(contents.lineTexts.size() == contents.notes.size());
    for (std::size_t i = 0; i < contents.notes.size(); ++i) {
        Require(!HasNameDelimiter(contents.notes[i].soundFile));
        const std::string_view line = contents.lineTexts[i];
        Require(line.data() >= bytes.data() && line.data() + line.size() <= bytes.data() + bytes.size());
        Require(line.starts_with(contents.notes[i].soundFile));
        Require(i == 0 || contents.noteLines[i] > contents.noteLines[i - 1]);
    }
}

// The rules of the format, one character at a time, apart from the reader.
namespace rules {

constexpr std::size_t kLastCountedPosition = 32767;  // character positions are 16-bit

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The distance of a distance text; nullopt when it does not fit in 32 bits.
// Blanks, tabs and LFs count for nothing, wherever they stand; the number is
// the longest start of the rest that reads as [+-]digits[.digits][E[+-]digits].
std::optional<std::int32_t> Distance(std::string_view text) {
    std::string kept;
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') {
            kept += c;
        }
    }
    std::size_t end = (!kept.empty() && (kept[0] == '+' || kept[0] == '-')) ? 1 : 0;
    std::size_t digits = 0;
    for (; end < kept.size() && IsDigit(kept[end]); ++end) {
        ++digits;
    }
    if (end < kept.size() && kept[end] == '.') {
        std::size_t after = end + 1;
        for (; after < kept.size() && IsDigit(kept[after]); ++after) {
            ++digits;
        }
        end = after;
    }
    if (digits == 0) {
        return 0;
    }
    if (end < kept.size() && (kept[end] == 'e' || kept[end] == 'E')) {
        std::size_t after = end + 1;
        if (after < kept.size() && (kept[after] == '+' || kept[after] == '-')) {
            ++after;
        }
        const std::size_t exponentStart = after;
        while (after < kept.size() && IsDigit(kept[after])) {
            ++after;
        }
        if (after > exponentStart) {
            end = after;
        }
    }
    const std::string number = kept.substr(0, end);
    const double rounded = std::nearbyint(std::strtod(number.c_str(), nullptr));
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() && rounded <= std::numeric_limits<std::int32_t>::max())) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(rounded);
}

// The notes of a file, or nullopt for a file the reader must reject.
std::optional<std::vector<kerbcall::PaceNote>> Notes(std::string_view bytes) {
    if (bytes.empty()) {
        return std::nullopt;
    }
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') {
            lines.back() += bytes[i];
            continue;
        }
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            ++i;
        }
        lines.emplace_back();
    }
    std::vector<kerbcall::PaceNote> notes;
    for (const std::string& line : lines) {
        if (line.empty() || line[0] == ';' || (line.size() >= 2 && line[0] == '[' && line[1] == ' ')) {
            continue;
        }
        const std::size_t semicolon = line.find(';');
        const std::string uncommented = line.substr(0, semicolon);
        const std::size_t comma = uncommented.find(',');
        const bool beyondCounting = (semicolon != std::string::npos && semicolon >= kLastCountedPosition) ||
                                    (comma != std::string::npos && comma >= kLastCountedPosition);
        if (beyondCounting || notes.size() == kNoteTableSize) {
            return std::nullopt;
        }
        kerbcall::PaceNote note;
        std::string_view distanceText = uncommented;
        if (comma != std::string::npos) {
            note.soundFile = uncommented.substr(0, comma);
            distanceText.remove_prefix(comma + 1);
        }
        const std::optional<std::int32_t> distance = Distance(distanceText);
        if (!distance) {
            return std::nullopt;
        }
        note.triggerDistance = *distance;
        notes.push_back(note);
    }
    return notes;
}

}  // namespace rules

void CheckAgainstRules(std::string_view bytes, const kerbcall::NoteFileReading& reading) {
    const std::optional<std::vector<kerbcall::PaceNote>> expected = rules::Notes(bytes);
    const auto* contents = std::get_if<kerbcall::NoteFileContents>(&reading);
    Require(expected.has_value() == (contents != nullptr));
    if (!expected) {
        return;
    }
    Require(contents->notes.size() == expected->size());
    for (std::size_t i = 0; i < expected->size(); ++i) {
        Require(contents->notes[i].soundFile == (*expected)[i].soundFile);
        Require(contents->notes[i].triggerDistance == (*expected)[i].triggerDistance);
    }
}

// The program's own path: TrackIniFileReader with the file in place.
void CheckReader(std::string_view bytes, const kerbcall::NoteFileReading& reading) {
    kerbcall::fakes::FakePlatform platform;
    kerbcall::Globals globals;
    globals.noteFileName = "track.ini";
    platform.files.files[platform.program.folder + "\\track.ini"] = std::string(bytes);
    kerbcall::TrackIniFileReader reader(globals, platform.files, platform.program);
    bool ended = false;
    try {
        reader.ReadNoteFile();
    } catch (const kerbcall::fakes::ProgramEnded&) {
        ended = true;
    }
    const auto* contents = std::get_if<kerbcall::NoteFileContents>(&reading);
    if (contents == nullptr) {
        Require(ended && platform.program.messages.size() == 1);
        Require(platform.program.messages[0].text == kerbcall::kDamagedNoteFileMessage);
        return;
    }
    Require(!ended && platform.program.messages.empty());
    Require(globals.lastNoteIndex == static_cast<int>(contents->notes.size()) - 1);
    for (std::size_t i = 0; i < contents->notes.size(); ++i) {
        Require(globals.paceNotes[i].soundFile == contents->notes[i].soundFile);
        Require(globals.paceNotes[i].triggerDistance == contents->notes[i].triggerDistance);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const kerbcall::NoteFileReading reading = kerbcall::ParseNoteFile(bytes);
    if (const auto* contents = std::get_if<kerbcall::NoteFileContents>(&reading)) {
        CheckContents(bytes, *contents);
    } else {
        Require(!std::get<kerbcall::NoteFileFault>(reading).reason.empty());
    }
    CheckAgainstRules(bytes, reading);
    CheckReader(bytes, reading);
    return 0;
}
