// Any bytes as a note file, read the way the program reads one: the result is
// a note table or one of the two messages, never a crash, a hang or a read
// out of bounds.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>

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
    CheckReader(bytes, reading);
    return 0;
}
