#include "engine/note_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/fake_platform.h"

namespace kerbcall {
namespace {

std::optional<std::vector<PaceNote>> NotesOf(std::string_view bytes) {
    const NoteFileReading reading = ParseNoteFile(bytes);
    const auto* contents = std::get_if<NoteFileContents>(&reading);
    return contents == nullptr ? std::nullopt : std::optional(contents->notes);
}

std::string NoteLines(int count) {
    std::string file = "; a\r\n";
    for (int i = 0; i < count; ++i) {
        file += "n" + std::to_string(i) + ".mp3," + std::to_string(i * 30) + "\r\n\r\n";
    }
    return file;
}

TEST(NoteFileTest, LinesAreSkippedCutAndSplitAsWritten) {
    const std::string longName(32764, 'x');  // puts the first ";" at character 32767
    const struct {
        std::string file;
        std::vector<PaceNote> notes;
    } cases[] = {
        {"; first chicane\r\n[ Track ]\r\n\r\n", {}},
        {"right2.mp3,241;tightens", {{"right2.mp3", 241}}},
        {"caution.mp3, 3\t07.5", {{"caution.mp3", 308}}},
        {"900", {{"", 900}}},
        {"[Track]", {{"", 0}}},
        {"   ; later", {{"", 0}}},
        {"left3.mp3 ,125,200", {{"left3.mp3 ", 125}}},
        {"a.mp3;b.mp3,100", {{"", 0}}},
        {std::string("\xE9t\0e.mp3,5", 10), {{std::string("\xE9t\0e", 4) + ".mp3", 5}}},
        {"a,1\r\nb,2\rc,3\r\n\r\n", {{"a", 1}, {"b", 2}, {"c", 3}}},
        {"a,100\nbravo,200", {{"a", 100}}},
        {"\n", {{"", 0}}},
        {longName + ",5;c", {{longName, 5}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NotesOf(c.file), c.notes) << c.file.substr(0, 40);
    }
    EXPECT_EQ(NotesOf(NoteLines(2001))->size(), 2001U);
}

TEST(NoteFileTest, DistanceTextsReadLenientlyAndRoundHalfToEven) {
    const std::vector<std::pair<std::string, std::int32_t>> cases = {{"12.5", 12},
                                                                     {"13.5", 14},
                                                                     {"-2.5", -2},
                                                                     {" - 1 2 ", -12},
                                                                     {"+7", 7},
                                                                     {"1.5e+2", 150},
                                                                     {"25e-1", 2},
                                                                     {"120m", 120},
                                                                     {"1e", 1},
                                                                     {"1.2.3", 1},
                                                                     {".5", 0},
                                                                     {"far", 0},
                                                                     {"--5", 0},
                                                                     {"0x10", 0},
                                                                     {"1e-400", 0},
                                                                     {"0e999999999", 0},
                                                                     {"2147483647.4", 2147483647},
                                                                     {"-2147483648.5", -2147483647 - 1},
                                                                     {"1e0000000000000000000000002", 100}};
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(NotesOf("x," + text), (std::vector<PaceNote>{{"x", expected}})) << text;
    }
}

TEST(NoteFileTest, DamagedFilesAreRejected) {
    const std::string longLine(32767, 'x');
    for (const std::string& file :
         {std::string(), NoteLines(2002), std::string("a,2147483647.5"), std::string("a,-2147483649"),
          std::string("a,1e400"), longLine + ",5", longLine + ";c"}) {
        EXPECT_EQ(NotesOf(file), std::nullopt) << file.substr(0, 40);
    }
    const auto contents = std::get<NoteFileContents>(ParseNoteFile("; c\r\na,1\r\n\r\nb,2 ; x"));
    EXPECT_EQ(contents.noteLines, (std::vector<std::size_t>{2, 4}));
    EXPECT_EQ(contents.lineTexts[1], "b,2 ; x");
}

TEST(ReadNoteFileTest, FillsTheTableOrReportsWhyNot) {
    const struct {
        std::string name;
        const char* message;  // nullptr: the notes load
        bool ends;
    } cases[] = {{"Monza.ini", nullptr, false},
                 {"Gone.ini", kMissingNoteFileMessage, false},
                 {"", kMissingNoteFileMessage, false},
                 {"Folder.ini", kDamagedNoteFileMessage, true},
                 {"Empty.ini", kDamagedNoteFileMessage, true},
                 {"Long.ini", kDamagedNoteFileMessage, true}};
    for (const auto& c : cases) {
        fakes::FakePlatform platform;
        platform.files.files = {{"C:\\Kerbcall\\Monza.ini", "l1.mp3,100\r\nr2.mp3,200\r\n"},
                                {"C:\\Kerbcall\\Empty.ini", ""},
                                {"C:\\Kerbcall\\Long.ini", NoteLines(2002)}};
        platform.files.folders = {"C:\\Kerbcall\\Folder.ini"};
        Globals globals;
        globals.noteFileName = c.name;
        TrackIniFileReader reader(globals, platform.files, platform.program);
        if (c.ends) {
            EXPECT_THROW(reader.ReadNoteFile(), fakes::ProgramEnded) << c.name;
        } else {
            reader.ReadNoteFile();
        }
        EXPECT_EQ(platform.files.searched.front(), "C:\\Kerbcall\\" + c.name);
        EXPECT_EQ(globals.lastNoteIndex, c.message == nullptr ? 1 : -1) << c.name;
        EXPECT_EQ(globals.paceNotes[1].triggerDistance, c.message == nullptr ? 200 : 0) << c.name;
        ASSERT_EQ(platform.program.messages.size(), c.message == nullptr ? 0U : 1U) << c.name;
        if (c.message != nullptr) {
            EXPECT_EQ(platform.program.messages[0].text, c.message);
            EXPECT_EQ(platform.program.messages[0].caption, kProgramTitle);
        }
    }
}

}  // namespace
}  // namespace kerbcall
