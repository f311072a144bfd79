#include "engine/note_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/path_join.h"

namespace kerbcall {

namespace {

// Character positions within a line are counted in 16 bits: a first ";" or
// "," beyond this position is a fault, as the program has always read them.
constexpr std::size_t kLastCountablePosition = 32767;

bool IsSkippedLine(std::string_view line) { return line.empty() || line.front() == ';' || line.starts_with("[ "); }

bool IsIgnoredInNumber(char c) { return c == ' ' || c == '\t'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Splits the next line off `rest`. Lines end at CR LF, a lone CR or a lone LF.
NoteFileLine NextLine(std::string_view& rest) {
    const std::size_t end = std::min(rest.find_first_of("\r\n"), rest.size());
    const std::size_t endLength =
        rest.substr(end).starts_with("\r\n") ? 2 : std::min<std::size_t>(1, rest.size() - end);
    const NoteFileLine line{rest.substr(0, end), rest.substr(end, endLength)};
    rest.remove_prefix(end + endLength);
    return line;
}

// The decimal magnitude of a number written as digits with an exponent, used
// only to tell an overflow from an underflow.
double OutOfRangeValue(bool negative, long long magnitude) {
    const double huge = negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    return magnitude > 0 ? huge : 0.0;
}

}  // namespace

LenientNumber ReadLenientNumber(std::string_view text) {
    std::string number;  // the number with the ignored characters left out
    std::size_t pos = 0;
    auto peek = [&]() -> char {
        while (pos < text.size() && IsIgnoredInNumber(text[pos])) {
            ++pos;
        }
        return pos < text.size() ? text[pos] : '\0';
    };
    LenientNumber read;
    const char sign = peek();
    read.begin = read.end = pos;
    const bool negative = sign == '-';
    if (sign == '+' || sign == '-') {
        ++pos;
    }
    long long integerDigits = 0;  // significant digits before the point
    long long leadingFractionZeros = 0;
    bool seenNonZero = false;
    bool anyDigit = false;
    for (char c = peek(); IsDigit(c); c = peek()) {
        anyDigit = true;
        seenNonZero = seenNonZero || c != '0';
        integerDigits += seenNonZero ? 1 : 0;
        number += c;
        read.end = ++pos;
    }
    if (peek() == '.') {
        read.end = ++pos;
        number += '.';
        for (char c = peek(); IsDigit(c); c = peek()) {
            anyDigit = true;
            if (!seenNonZero && c == '0') {
                ++leadingFractionZeros;
            }
            seenNonZero = seenNonZero || c != '0';
            number += c;
            read.end = ++pos;
        }
    }
    if (!anyDigit) {
        read.end = read.begin;  // a sign or point alone is no number
        return read;
    }
    long long exponent = 0;
    if (const char e = peek(); e == 'e' || e == 'E') {
        ++pos;
        bool negativeExponent = false;
        if (const char exponentSign = peek(); exponentSign == '+' || exponentSign == '-') {
            negativeExponent = exponentSign == '-';
            ++pos;
        }
        std::string exponentDigits;
        for (char c = peek(); IsDigit(c); c = peek()) {
            // Eighteen significant digits lie far beyond any double's range.
            if ((c != '0' || !exponentDigits.empty()) && exponentDigits.size() < 18) {
                exponentDigits += c;
            }
            read.end = ++pos;
        }
        // "1e" reads as 1, and so does "1e000".
        if (!exponentDigits.empty()) {
            std::from_chars(exponentDigits.data(), exponentDigits.data() + exponentDigits.size(), exponent);
            exponent = negativeExponent ? -exponent : exponent;
            number += 'e';
            number += std::to_string(exponent);
        }
    }
    if (!seenNonZero) {
        return read;
    }
    const auto result = std::from_chars(number.data(), number.data() + number.size(), read.value);
    if (result.ec == std::errc::result_out_of_range) {
        const long long magnitude = integerDigits > 0 ? integerDigits + exponent : exponent - leadingFractionZeros;
        read.value = OutOfRangeValue(negative, magnitude);
    } else if (negative) {
        read.value = -read.value;
    }
    return read;
}

bool RoundToDistance(double value, std::int32_t& distance) {
    // nearbyint rounds half to even in the default rounding mode.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() && rounded <= std::numeric_limits<std::int32_t>::max())) {
        return false;
    }
    distance = static_cast<std::int32_t>(rounded);
    return true;
}

std::vector<NoteFileLine> SplitNoteFileLines(std::string_view bytes) {
    std::vector<NoteFileLine> lines;
    while (!bytes.empty()) {
        lines.push_back(NextLine(bytes));
    }
    return lines;
}

NoteFileReading ParseNoteFile(std::string_view bytes) {
    if (bytes.empty()) {
        return NoteFileFault{0, "the file is empty"};
    }
    NoteFileContents contents;
    std::string_view rest = bytes;
    std::size_t lineNumber = 0;
    while (!rest.empty()) {
        const std::string_view line = NextLine(rest).text;
        ++lineNumber;
        if (IsSkippedLine(line)) {
            continue;
        }
        std::string_view text = line;
        if (const std::size_t semicolon = text.find(';'); semicolon != std::string_view::npos) {
            if (semicolon >= kLastCountablePosition) {
                return NoteFileFault{lineNumber, "the first \";\" lies beyond character 32767"};
            }
            text = text.substr(0, semicolon);
        }
        if (contents.notes.size() == kNoteTableSize) {
            return NoteFileFault{lineNumber, "more than 2001 note lines"};
        }
        PaceNote note;
        if (const std::size_t comma = text.find(','); comma != std::string_view::npos) {
            if (comma >= kLastCountablePosition) {
                return NoteFileFault{lineNumber, "the first \",\" lies beyond character 32767"};
            }
            note.soundFile = text.substr(0, comma);
            text.remove_prefix(comma + 1);
        }
        if (!RoundToDistance(ReadLenientNumber(text).value, note.triggerDistance)) {
            return NoteFileFault{lineNumber, "the distance does not fit in 32 bits"};
        }
        contents.notes.push_back(std::move(note));
        contents.noteLines.push_back(lineNumber);
        contents.lineTexts.push_back(line);
    }
    return contents;
}

TrackIniFileReader::TrackIniFileReader(Globals& globals, platform::Files& files, platform::Program& program)
    : globals_(globals), files_(files), program_(program) {}

void TrackIniFileReader::ReadNoteFile() {
    const std::string path = globals_.noteFolder.empty()
                                 ? program_.Folder() + "\\" + globals_.noteFileName
                                 : platform::JoinPath(globals_.noteFolder, globals_.noteFileName);
    if (!files_.FileExists(path)) {
        program_.ShowInformation(kMissingNoteFileMessage, kProgramTitle);
        return;
    }
    const std::optional<std::string> bytes = files_.ReadWholeFile(path);
    const NoteFileReading reading = bytes ? ParseNoteFile(*bytes) : NoteFileReading{NoteFileFault{0, "cannot be read"}};
    const auto* contents = std::get_if<NoteFileContents>(&reading);
    if (contents == nullptr) {
        program_.ShowInformation(kDamagedNoteFileMessage, kProgramTitle);
        program_.End();
    }
    for (std::size_t i = 0; i < contents->notes.size(); ++i) {
        globals_.paceNotes[i] = contents->notes[i];
    }
    globals_.lastNoteIndex = static_cast<std::int16_t>(static_cast<int>(contents->notes.size()) - 1);
}

}  // namespace kerbcall
