#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/note_table.h"
#include "platform/files.h"
#include "platform/program.h"

namespace kerbcall {

inline constexpr char kMissingNoteFileMessage[] = "Could not find the ZRL Kerbcall.ini File";
inline constexpr char kDamagedNoteFileMessage[] = "There is an unknown error in the ZRL Kerbcall.ini file";

struct NoteFileContents {
    std::vector<PaceNote> notes;         // in file order
    std::vector<std::size_t> noteLines;  // 1-based line number of each note
    // Each note line as read: views into the bytes given to ParseNoteFile.
    std::vector<std::string_view> lineTexts;
};

// Why a file is rejected, for authors; the program itself shows only
// kDamagedNoteFileMessage.
struct NoteFileFault {
    std::size_t line = 0;  // 1-based; 0 when the file as a whole is at fault
    std::string reason;
};

using NoteFileReading = std::variant<NoteFileContents, NoteFileFault>;

// Reads a note file from its bytes: lines end at CR LF, a lone CR or a lone LF.
NoteFileReading ParseNoteFile(std::string_view bytes);

// A line of a note file and the line end after it (empty for a last line
// without one): views into the file's bytes.
struct NoteFileLine {
    std::string_view text;
    std::string_view end;
};

// Every line of a note file as ParseNoteFile splits them, line N at index N - 1.
std::vector<NoteFileLine> SplitNoteFileLines(std::string_view bytes);

// A distance text read as a number, and the characters read as it:
// text[begin, end), empty (at the first character after the blanks) when
// the text does not begin with a number.
struct LenientNumber {
    double value = 0.0;
    std::size_t begin = 0;
    std::size_t end = 0;
};

// Lenient decimal reading of a distance text (blanks and tabs anywhere
// ignored, stops at the first character that cannot continue the number,
// "." always the separator); 0 when the text does not begin with a number.
LenientNumber ReadLenientNumber(std::string_view text);

// Rounds half to even into the 32-bit range; false when it does not fit.
bool RoundToDistance(double value, std::int32_t& distance);

class TrackIniFileReader {
public:
    TrackIniFileReader(Globals& globals, platform::Files& files, platform::Program& program);

    // Fills the note table from noteFileName in the folder it was chosen in,
    // or in the program folder while none was chosen. A missing
    // file is reported and the table left as it is; any other fault is
    // reported and ends the program.
    void ReadNoteFile();

private:
    Globals& globals_;
    platform::Files& files_;
    platform::Program& program_;
};

}  // namespace kerbcall
