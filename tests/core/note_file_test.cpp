#include "engine/note_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/fake_platform.h"

namespace kerbcall {
namespace {

std::vector<PaceNote> NotesOf(std::string_view bytes) {
    const NoteFileReading reading = ParseNoteFile(bytes);
    const auto* contents = std::get_if<NoteFileContents>(&reading);
    if (contents == nullptr) {
        ADD_FAILURE() << "rejected: " << std::get<NoteFileFault>(reading).reason;
        return {};
    }
    return contents->notes;
}

bool Rejected(std::string_view bytes) { return std::holds_alternative<NoteFileFault>(ParseNoteFile(bytes)); }

std::string NoteLines(int count) {
    std::string file;
    for (int i = 0; i < count; ++i) {
        file += "n" + std::to_string(i) + ".mp3," + std::to_string(i * 30) + "\r\n";
    }
    return file;
}

struct LineCase {
    const char* name;
    std::string file;
    std::vector<PaceNote> notes;
};

TEST(NoteFileTest, LinesAreSkippedCutAndSplitAsWritten) {
    const std::vector<LineCase> cases = {
        {"comment, heading and empty lines are skipped", "; first chicane\r\n[ Track ]\r\n\r\n", {}},
        {"a note line", "left3.mp3,125", {{"left3.mp3", 125}}},
        {"the comment is cut off", "right2.mp3,241 ; tightens", {{"right2.mp3", 241}}},
        {"blanks inside the number are ignored", "caution.mp3, 3 07.5", {{"caution.mp3", 308}}},
        {"a line without a comma has no name", "900", {{"", 900}}},
        {"a heading without its blank is a note", "[Track]", {{"", 0}}},
        {"blanks before a comment make a note", "   ; later", {{"", 0}}},
        {"a blank before the comma stays in the name", "left3.mp3 ,125", {{"left3.mp3 ", 125}}},
        {"further commas belong to the distance", "a.mp3,100,200", {{"a.mp3", 100}}},
        {"a comment before the comma leaves no name", "a.mp3;b.mp3,100", {{"", 0}}},
        {"a comma and nothing", "a.mp3,", {{"a.mp3", 0}}},
        {"a comma and a word", "a.mp3,far", {{"a.mp3", 0}}},
        {"a tab first is a note line", "\t;x", {{"", 0}}},
        {"bytes above 0x7F and NUL stay in the name",
         std::string("\xE9t\0e.mp3,5", 10),
         {{std::string("\xE9t\0e", 4) + ".mp3", 5}}},
        {"CR LF, lone CR and no end on the last line", "a,1\r\nb,2\rc,3", {{"a", 1}, {"b", 2}, {"c", 3}}},
        {"a lone LF stays inside the line", "a,100\nbravo,200", {{"a", 100}}},
        {"empty lines at the end are skipped", "a,1\r\n\r\n\r\n", {{"a", 1}}},
        {"a line of blanks is a note", "   ", {{"", 0}}},
        {"only a line feed is a note", "\n", {{"", 0}}},
    };
    for (const LineCase& c : cases) {
        const std::vector<PaceNote> notes = NotesOf(c.file);
        ASSERT_EQ(notes.size(), c.notes.size()) << c.name;
        for (std::size_t i = 0; i < notes.size(); ++i) {
            EXPECT_EQ(notes[i].soundFile, c.notes[i].soundFile) << c.name;
            EXPECT_EQ(notes[i].triggerDistance, c.notes[i].triggerDistance) << c.name;
        }
    }
}

TEST(NoteFileTest, DistanceTextsReadLenientlyAndRoundHalfToEven) {
    const std::vector<std::pair<std::string, std::int32_t>> cases = {
        {"12.5", 12},
        {"13.5", 14},
        {"-2.5", -2},
        {"307.5", 308},
        {"12.6", 13},
        {" - 1 2 ", -12},
        {"+7", 7},
        {"1.5E2", 150},
        {"1.5e+2", 150},
        {"25e-1", 2},
        {"120m", 120},
        {"1,5", 1},
        {"1e", 1},
        {"1.2.3", 1},
        {".5", 0},
        {"1.5", 2},
        {"", 0},
        {"far", 0},
        {"-", 0},
        {"--5", 0},
        {"0x10", 0},
        {"1e-400", 0},
        {"0e999999999", 0},
        {"2147483647", 2147483647},
        {"2147483647.4", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"-2147483648.5", -2147483647 - 1},
        {"1e0000000000000000000000002", 100},
    };
    for (const auto& [text, expected] : cases) {
        const std::vector<PaceNote> notes = NotesOf("x," + text);
        ASSERT_EQ(notes.size(), 1U) << text;
        EXPECT_EQ(notes[0].triggerDistance, expected) << text;
    }
}

TEST(NoteFileTest, DamagedFilesAreRejected) {
    const std::string longLine(32767, 'x');
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"no bytes at all", ""},
        {"2002 note lines", NoteLines(2002)},
        {"a distance above the 32-bit range", "a,2147483647.5"},
        {"a distance below the 32-bit range", "a,-2147483649"},
        {"a distance beyond any double", "a,1e400"},
        {"a first comma beyond character 32767", longLine + ",5"},
        {"a first semicolon beyond character 32767", longLine + ";c"},
    };
    for (const auto& [name, file] : cases) {
        EXPECT_TRUE(Rejected(file)) << name;
    }
}

TEST(NoteFileTest, LimitsThatStillLoad) {
    EXPECT_EQ(NotesOf(NoteLines(2001)).size(), 2001U);
    // Skipped lines do not count towards the 2001 notes.
    EXPECT_EQ(NotesOf("; a\r\n" + NoteLines(2001) + "; b\r\n\r\n").size(), 2001U);
    const std::string longName(32764, 'x');  // puts the first ";" at character 32767
    EXPECT_EQ(NotesOf(longName + ",5;c")[0].soundFile, longName);
    EXPECT_TRUE(NotesOf("\r\n; only comments\r\n[ and headings ]").empty());
}

TEST(NoteFileTest, ContentsTellWhereEachNoteStands) {
    const std::string bytes = "; c\r\na,1\r\n\r\nb,2 ; x";
    const auto contents = std::get<NoteFileContents>(ParseNoteFile(bytes));
    EXPECT_EQ(contents.noteLines, (std::vector<std::size_t>{2, 4}));
    EXPECT_EQ(contents.lineTexts[1], "b,2 ; x");
}

class ReadNoteFileTest : public ::testing::Test {
protected:
    fakes::FakePlatform platform;
    Globals globals;
    TrackIniFileReader reader{globals, platform.files, platform.program};

    std::vector<fakes::FakeProgram::Message> Messages() const { return platform.program.messages; }
};

TEST_F(ReadNoteFileTest, FillsTheTableFromTheProgramFolder) {
    globals.noteFileName = "Monza.ini";
    platform.files.files["C:\\Kerbcall\\Monza.ini"] = "l1.mp3,100\r\nr2.mp3,200\r\n";
    reader.ReadNoteFile();
    EXPECT_EQ(globals.lastNoteIndex, 1);
    EXPECT_EQ(globals.paceNotes[1].soundFile, "r2.mp3");
    EXPECT_EQ(globals.paceNotes[1].triggerDistance, 200);
    EXPECT_TRUE(globals.paceNotes[2].soundFile.empty());
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ReadNoteFileTest, AMissingFileIsReportedAndTheRunGoesOnWithoutNotes) {
    for (const std::string name : {"Gone.ini", ""}) {
        globals.noteFileName = name;
        platform.program.messages.clear();
        reader.ReadNoteFile();
        EXPECT_EQ(globals.lastNoteIndex, -1) << name;
        ASSERT_EQ(Messages().size(), 1U) << name;
        EXPECT_EQ(Messages()[0].text, "Could not find the ZRL Kerbcall.ini File");
        EXPECT_EQ(Messages()[0].caption, "ZRL Kerbcall");
        EXPECT_EQ(platform.program.ends, 0);
        EXPECT_EQ(platform.files.searched.back(), "C:\\Kerbcall\\" + name);
    }
}

TEST_F(ReadNoteFileTest, AFileThatCannotBeLoadedEndsTheProgramAfterItsMessage) {
    platform.files.folders.push_back("C:\\Kerbcall\\Folder.ini");
    platform.files.unreadable.push_back("C:\\Kerbcall\\Locked.ini");
    platform.files.files["C:\\Kerbcall\\Empty.ini"] = "";
    platform.files.files["C:\\Kerbcall\\Long.ini"] = NoteLines(2002);
    for (const char* name : {"Folder.ini", "Locked.ini", "Empty.ini", "Long.ini"}) {
        globals.noteFileName = name;
        platform.program.messages.clear();
        EXPECT_THROW(reader.ReadNoteFile(), fakes::ProgramEnded) << name;
        ASSERT_EQ(Messages().size(), 1U) << name;
        EXPECT_EQ(Messages()[0].text, "There is an unknown error in the ZRL Kerbcall.ini file");
        EXPECT_EQ(Messages()[0].caption, "ZRL Kerbcall");
    }
}

}  // namespace
}  // namespace kerbcall
