// Any bytes as a note file: the parser and the program's reader give the table,
// or the fault, that the format's rules below give; never a crash or a hang.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/note_file.h"
#include "tests/fakes/fake_platform.h"

namespace {

// A broken promise of the reader; libFuzzer records the input.
void Require(bool promise) { promise ? void() : std::abort(); }

// Moves `at` past the digits there; how many it passed.
std::size_t SkipDigits(const std::string& text, std::size_t& at) {
    const std::size_t start = at;
    at = std::min(text.find_first_not_of("0123456789", at), text.size());
    return at - start;
}

// The distance of a distance text; nullopt beyond 32 bits. Blanks and tabs
// count for nothing wherever they stand; the number is the longest start
// of the rest that reads as [+-]digits[.digits][E[+-]digits], 0 without digits.
std::optional<std::int32_t> Distance(const std::string& text) {
    std::string kept;
    std::ranges::copy_if(text, std::back_inserter(kept), [](char c) { return c != ' ' && c != '\t'; });
    std::size_t end = kept.starts_with('+') || kept.starts_with('-') ? 1 : 0;
    std::size_t digits = SkipDigits(kept, end);
    if (end < kept.size() && kept[end] == '.') {
        digits += SkipDigits(kept, ++end);
    }
    if (digits == 0) {
        return 0;
    }
    if (end < kept.size() && (kept[end] == 'e' || kept[end] == 'E')) {
        std::size_t after = end + 1;
        after += after < kept.size() && (kept[after] == '+' || kept[after] == '-') ? 1 : 0;
        end = SkipDigits(kept, after) > 0 ? after : end;
    }
    const double rounded = std::nearbyint(std::strtod(kept.substr(0, end).c_str(), nullptr));
    return rounded >= INT32_MIN && rounded <= INT32_MAX ? std::optional(static_cast<std::int32_t>(rounded))
                                                        : std::nullopt;
}

struct ModelNote : kerbcall::PaceNote {
    std::size_t line = 0;  // 1-based
    std::string text;      // the whole line
};

// The notes of a file by the format's rules; nullopt when it must be rejected.
std::optional<std::vector<ModelNote>> Notes(std::string_view bytes) {
    constexpr std::size_t kLastCountedPosition = 32767;  // character positions are 16-bit
    std::vector<ModelNote> notes;
    std::size_t number = 0;
    // Lines end in CR LF, a lone CR or a lone LF.
    for (std::size_t start = 0; start <= bytes.size(); ++number) {
        const std::size_t end = std::min(bytes.find_first_of("\r\n", start), bytes.size());
        const std::string line(bytes.substr(start, end - start));
        start = end + (bytes.substr(end).starts_with("\r\n") ? 2 : 1);
        if (line.empty() || line[0] == ';' || line.starts_with("[ ")) {
            continue;
        }
        const std::size_t semicolon = line.find(';');
        const std::string fields = line.substr(0, semicolon);
        const std::size_t comma = fields.find(',');
        const auto counted = [](std::size_t at) { return at == std::string::npos || at < kLastCountedPosition; };
        const auto distance = Distance(comma == std::string::npos ? fields : fields.substr(comma + 1));
        if (!counted(semicolon) || !counted(comma) || notes.size() == kerbcall::kNoteTableSize || !distance) {
            return std::nullopt;
        }
        notes.push_back({{comma == std::string::npos ? "" : fields.substr(0, comma), *distance}, number + 1, line});
    }
    return bytes.empty() ? std::nullopt : std::optional(notes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<std::vector<ModelNote>> expected = Notes(bytes);
    const kerbcall::NoteFileReading reading = kerbcall::ParseNoteFile(bytes);
    const auto* contents = std::get_if<kerbcall::NoteFileContents>(&reading);
    Require(expected.has_value() == (contents != nullptr));
    Require(contents != nullptr || !std::get<kerbcall::NoteFileFault>(reading).reason.empty());
    const std::size_t count = expected ? expected->size() : 0;
    Require(!contents || (contents->notes.size() == count && contents->noteLines.size() == count &&
                          contents->lineTexts.size() == count));
    // The program's own path: its reader with the file in place.
    kerbcall::fakes::FakePlatform platform;
    kerbcall::Globals globals;
    globals.noteFileName = "track.ini";
    platform.files.files[platform.program.folder + "\\track.ini"] = std::string(bytes);
    bool ended = false;
    try {
        kerbcall::TrackIniFileReader(globals, platform.files, platform.program).ReadNoteFile();
    } catch (const kerbcall::fakes::ProgramEnded&) {
        ended = true;
    }
    const auto& messages = platform.program.messages;
    Require(ended != expected.has_value() && messages.size() == (expected ? 0U : 1U));
    Require(expected ? globals.lastNoteIndex == static_cast<int>(count) - 1
                     : messages[0].text == kerbcall::kDamagedNoteFileMessage);
    for (std::size_t i = 0; i < count; ++i) {
        const ModelNote& note = (*expected)[i];
        const std::string_view text = contents->lineTexts[i];
        Require(contents->notes[i] == note && globals.paceNotes[i] == note);
        Require(contents->noteLines[i] == note.line && text == note.text);
        Require(text.data() >= bytes.data() && text.data() + text.size() <= bytes.data() + bytes.size());
    }
    return 0;
}
