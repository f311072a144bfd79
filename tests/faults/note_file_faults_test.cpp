// Damaged, odd and unreachable note files, written to disk and read the way
// the program reads them: the real file service, the real reader.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/note_file.h"
#include "platform/posix/posix_files.h"
#include "tests/fakes/fake_platform.h"
#include "tests/faults/scratch_folder.h"

namespace kerbcall {

// Found by argument lookup, for comparing and printing notes in expectations.
bool operator==(const PaceNote& a, const PaceNote& b) {
    return a.soundFile == b.soundFile && a.triggerDistance == b.triggerDistance;
}

void PrintTo(const PaceNote& note, std::ostream* out) {
    *out << testing::PrintToString(note.soundFile) << '@' << note.triggerDistance;
}

namespace faults {
namespace {

constexpr std::size_t kMegabyte = 1 << 20;

struct Outcome {
    std::unique_ptr<Globals> globals = std::make_unique<Globals>();
    std::vector<std::string> messages;
    bool ended = false;

    std::vector<PaceNote> Notes() const {
        return {globals->paceNotes.begin(), globals->paceNotes.begin() + (globals->lastNoteIndex + 1)};
    }
    bool Damaged() const { return ended && messages == std::vector<std::string>{kDamagedNoteFileMessage}; }
};

// Reads `noteFileName` from `folder` as the program's folder.
Outcome ReadAsProgram(const ScratchFolder& folder, const std::string& noteFileName) {
    posix::PosixFiles files;
    fakes::FakeProgram program;
    program.folder = folder.path();
    Outcome outcome;
    outcome.globals->noteFileName = noteFileName;
    TrackIniFileReader reader(*outcome.globals, files, program);
    try {
        reader.ReadNoteFile();
    } catch (const fakes::ProgramEnded&) {
        outcome.ended = true;
    }
    for (const auto& message : program.messages) {
        EXPECT_EQ(message.caption, kProgramTitle);
        outcome.messages.push_back(message.text);
    }
    return outcome;
}

// Writes the bytes as track.ini, reads them and checks the file is as it was.
Outcome ReadBytes(const std::string& bytes) {
    ScratchFolder folder;
    folder.Write("track.ini", bytes);
    Outcome outcome = ReadAsProgram(folder, "track.ini");
    EXPECT_EQ(folder.Read("track.ini"), bytes) << "the note file changed";
    return outcome;
}

struct ContentCase {
    const char* what;
    std::string bytes;
    bool damaged;
    std::vector<PaceNote> notes;  // when not damaged
};

std::vector<ContentCase> ContentCases() {
    using namespace std::string_literals;
    const std::string megabyte(kMegabyte, 'x');
    const std::string megabyteOfBlanks(kMegabyte, ' ');
    return {
        {"0 bytes", "", true, {}},
        {"a megabyte of blanks after a distance",
         "left3.mp3,100" + megabyteOfBlanks + "\r\nright.mp3,200",
         false,
         {{"left3.mp3", 100}, {"right.mp3", 200}}},
        {"a megabyte comment line", ";" + megabyte + "\r\na.mp3,5", false, {{"a.mp3", 5}}},
        {"a megabyte heading line", "[ " + megabyte + "\r\na.mp3,5\r\n", false, {{"a.mp3", 5}}},
        {"a megabyte name before the comma", megabyte + ",100", true, {}},
        {"a megabyte before the comment", megabyte + ";c", true, {}},
        {"a megabyte of digits", "a.mp3," + std::string(kMegabyte, '9'), true, {}},
        {"a megabyte of zeros", "a.mp3,0." + std::string(kMegabyte, '0') + "7", false, {{"a.mp3", 0}}},
        {"NUL bytes in a name and a distance", "a\0b.mp3,1\0 2\r\n"s, false, {{"a\0b.mp3"s, 1}}},
        {"a line of NUL bytes", "\0\0\0\r\na.mp3,7"s, false, {{"", 0}, {"a.mp3", 7}}},
        {"only NUL bytes", std::string(4096, '\0'), false, {{"", 0}}},
        {"Latin-1 and UTF-8 bytes in names",
         "\xe9pingle.mp3,300\r\n\xc3\xa9pingle.mp3,400",
         false,
         {{"\xe9pingle.mp3", 300}, {"\xc3\xa9pingle.mp3", 400}}},
        {"quotes in a name", "say \"hi\".mp3,40\r\nit's.mp3,60", false, {{"say \"hi\".mp3", 40}, {"it's.mp3", 60}}},
        {"a distance beyond 32 bits", "a.mp3,2147483648", true, {}},
        {"a half that rounds to the lowest distance", "a.mp3,-2147483648.5", false, {{"a.mp3", -2147483648}}},
        {"a distance that rounds past the lowest", "a.mp3,-2147483649", true, {}},
    };
}

TEST(NoteFileFaults, DamagedOrOddContentGivesTheTableOrTheDamagedMessage) {
    for (const ContentCase& c : ContentCases()) {
        SCOPED_TRACE(c.what);
        const Outcome outcome = ReadBytes(c.bytes);
        if (c.damaged) {
            EXPECT_TRUE(outcome.Damaged());
        } else {
            EXPECT_FALSE(outcome.ended);
            EXPECT_TRUE(outcome.messages.empty());
            EXPECT_EQ(outcome.Notes(), c.notes);
        }
    }
}

// The notes expected of "a.mp3,10", a mix, "b.mp3,30", the mix again, split
// by the line rule: a CR ends a line, alone or before an LF; an LF alone
// stays in the line, also at the start of a name. A line of LFs only is a
// note without name or distance; an LF inside a distance is passed over and
// the next name stops the number.
std::vector<PaceNote> ExpectedForMix(const std::string& bytes) {
    std::vector<PaceNote> notes;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\r', start);
        end = end == std::string::npos ? bytes.size() : end;
        const std::string line = bytes.substr(start, end - start);
        start = end + ((end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1);
        if (const std::size_t comma = line.find(','); comma != std::string::npos) {
            const std::string name = line.substr(0, comma);
            notes.push_back({name, name.ends_with("a.mp3") ? 10 : 30});
        } else if (!line.empty()) {
            notes.push_back({"", 0});
        }
    }
    return notes;
}

TEST(NoteFileFaults, EveryMixOfLineEnds) {
    const std::vector<std::string> ends = {"\r", "\n", "\r\n"};
    std::vector<std::string> mixes = {""};
    for (std::size_t begin = 0, length = 1; length <= 3; ++length) {
        const std::size_t shorter = mixes.size();
        for (std::size_t i = begin; i < shorter; ++i) {
            for (const std::string& end : ends) {
                mixes.push_back(mixes[i] + end);
            }
        }
        begin = shorter;
    }
    ASSERT_EQ(mixes.size(), 1U + 3U + 9U + 27U);
    for (const std::string& mix : mixes) {
        SCOPED_TRACE(testing::PrintToString(mix));
        const std::string bytes = "a.mp3,10" + mix + "b.mp3,30" + mix;
        const Outcome outcome = ReadBytes(bytes);
        EXPECT_FALSE(outcome.ended);
        EXPECT_EQ(outcome.Notes(), ExpectedForMix(bytes));
    }
}

std::string NoteLines(int count) {
    std::string bytes = "; a full table\r\n[ Stage ]\r\n";
    for (int i = 0; i < count; ++i) {
        bytes += "n" + std::to_string(i) + ".mp3," + std::to_string(i * 30) + "\r\n\r\n";
    }
    return bytes;
}

TEST(NoteFileFaults, TwoThousandAndOneNoteLinesFillTheTable) {
    const Outcome outcome = ReadBytes(NoteLines(2001));
    ASSERT_FALSE(outcome.ended);
    EXPECT_EQ(outcome.globals->lastNoteIndex, 2000);
    EXPECT_EQ(outcome.globals->paceNotes[2000], (PaceNote{"n2000.mp3", 60000}));
}

TEST(NoteFileFaults, TwoThousandAndTwoNoteLinesAreDamaged) { EXPECT_TRUE(ReadBytes(NoteLines(2002)).Damaged()); }

TEST(NoteFileFaults, MissingFileIsReportedAndTheTableStaysEmpty) {
    ScratchFolder folder;
    const Outcome outcome = ReadAsProgram(folder, "nowhere.ini");
    EXPECT_FALSE(outcome.ended);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{kMissingNoteFileMessage});
    EXPECT_EQ(outcome.globals->lastNoteIndex, Globals{}.lastNoteIndex);
}

// Longer than any file name the file system allows: no such file.
TEST(NoteFileFaults, NameLongerThanTheSystemAllowsIsReportedMissing) {
    ScratchFolder folder;
    for (const std::size_t length : {300U, 5000U}) {
        const Outcome outcome = ReadAsProgram(folder, std::string(length, 'n') + ".ini");
        EXPECT_FALSE(outcome.ended);
        EXPECT_EQ(outcome.messages, std::vector<std::string>{kMissingNoteFileMessage});
    }
}

TEST(NoteFileFaults, FolderNamedLikeTheFileIsDamaged) {
    ScratchFolder folder;
    folder.Write("track.ini/inside.txt", "a.mp3,100");
    EXPECT_TRUE(ReadAsProgram(folder, "track.ini").Damaged());
}

// Root reads any file, so the reading runs in a child that gives root up.
TEST(NoteFileFaults, FileWithoutReadPermissionIsDamaged) {
    ScratchFolder folder;
    folder.Write("locked.ini", "a.mp3,100\r\n");
    ASSERT_EQ(::chmod(folder.PathOf("locked.ini").c_str(), 0), 0);
    EXPECT_EXIT(
        {
            if (!DropRootPrivileges()) {
                std::_Exit(2);
            }
            std::_Exit(ReadAsProgram(folder, "locked.ini").Damaged() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(folder.Read("locked.ini"), "a.mp3,100\r\n");
}

// Note file names as users write them: the reader finds each one.
TEST(NoteFileFaults, NamesWithSpacesQuotesAndNonAsciiBytes) {
    const std::vector<std::string> names = {
        "Forest stage.ini",
        "  leading blanks.ini",
        "o'neil \"night\".ini",
        "\xe9preuve.ini",
        "\xc3\xa9preuve sp\xc3\xa9\x63iale.ini",
        "semi;colon,comma.ini",
        std::string(200, 'n') + ".ini",
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(testing::PrintToString(name));
        ScratchFolder folder;
        folder.Write(name, "left3.mp3,125\r\n");
        const Outcome outcome = ReadAsProgram(folder, name);
        EXPECT_TRUE(outcome.messages.empty());
        EXPECT_EQ(outcome.Notes(), (std::vector<PaceNote>{{"left3.mp3", 125}}));
    }
}

}  // namespace
}  // namespace faults
}  // namespace kerbcall
