// Damaged, odd and unreachable note files, written to disk and read the way
// the program reads them: the real file service, the real reader.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/note_file.h"
#include "platform/posix/posix_files.h"
#include "tests/fakes/fake_platform.h"
#include "tests/faults/scratch_folder.h"

namespace kerbcall::faults {
namespace {

using namespace std::string_literals;

constexpr std::size_t kMegabyte = 1 << 20;

struct Outcome {
    std::vector<PaceNote> notes;
    std::vector<std::string> messages;
    bool ended = false;
};

// Reads `noteFileName` from `folder` as the program's folder.
Outcome ReadAsProgram(const ScratchFolder& folder, const std::string& noteFileName) {
    posix::PosixFiles files;
    fakes::FakeProgram program;
    program.folder = folder.path();
    auto globals = std::make_unique<Globals>();
    globals->noteFileName = noteFileName;
    Outcome outcome;
    try {
        TrackIniFileReader(*globals, files, program).ReadNoteFile();
    } catch (const fakes::ProgramEnded&) {
        outcome.ended = true;
    }
    outcome.notes.assign(globals->paceNotes.begin(), globals->paceNotes.begin() + (globals->lastNoteIndex + 1));
    for (const auto& message : program.messages) {
        EXPECT_EQ(message.caption, kProgramTitle);
        outcome.messages.push_back(message.text);
    }
    return outcome;
}

std::string NoteLines(int count) {
    std::string bytes = "; a full table\r\n[ Stage ]\r\n";
    for (int i = 0; i < count; ++i) {
        bytes += "n" + std::to_string(i) + ".mp3," + std::to_string(i * 30) + "\r\n\r\n";
    }
    return bytes;
}

TEST(NoteFileFaults, OddContentGivesTheTableOrTheDamagedMessageAndTheFileStaysAsItWas) {
    const std::string megabyte(kMegabyte, 'x');
    const struct {
        std::string bytes;
        std::vector<PaceNote> notes;  // empty: damaged
    } cases[] = {
        {"", {}},
        {"left3.mp3,100" + std::string(kMegabyte, ' ') + "\r\nright.mp3,200", {{"left3.mp3", 100}, {"right.mp3", 200}}},
        {";" + megabyte + "\r\n[ " + megabyte + "\r\na.mp3,5", {{"a.mp3", 5}}},
        {megabyte + ",100", {}},
        {megabyte + ";c", {}},
        {"a.mp3," + std::string(kMegabyte, '9'), {}},
        {"a.mp3,0." + std::string(kMegabyte, '0') + "7", {{"a.mp3", 0}}},
        {"\0\0\0\r\na\0b.mp3,1\0 2\r\n"s, {{"", 0}, {"a\0b.mp3"s, 1}}},
        {"\xe9pingle.mp3,300\r\nsay \"hi\".mp3,40", {{"\xe9pingle.mp3", 300}, {"say \"hi\".mp3", 40}}},
        {NoteLines(2002), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 30));
        ScratchFolder folder;
        folder.Write("track.ini", c.bytes);
        const Outcome outcome = ReadAsProgram(folder, "track.ini");
        EXPECT_EQ(outcome.ended, c.notes.empty());
        EXPECT_EQ(outcome.messages.size(), c.notes.empty() ? 1U : 0U);
        EXPECT_EQ(outcome.notes, c.notes);
        EXPECT_EQ(folder.Read("track.ini"), c.bytes) << "the note file changed";
    }
    ScratchFolder folder;
    folder.Write("track.ini", NoteLines(2001));
    const Outcome full = ReadAsProgram(folder, "track.ini");
    ASSERT_EQ(full.notes.size(), 2001U);
    EXPECT_EQ(full.notes.back(), (PaceNote{"n2000.mp3", 60000}));
}

TEST(NoteFileFaults, NamesAsUsersWriteThemAreFoundAndOverlongOnesAreMissing) {
    for (const std::string& name : {"Forest stage.ini"s, "  lead.ini"s, "o'neil \"night\".ini"s, "\xe9preuve.ini"s,
                                    "semi;colon,comma.ini"s, std::string(200, 'n') + ".ini"}) {
        ScratchFolder folder;
        folder.Write(name, "left3.mp3,125\r\n");
        EXPECT_EQ(ReadAsProgram(folder, name).notes, (std::vector<PaceNote>{{"left3.mp3", 125}})) << name;
    }
    ScratchFolder folder;
    for (const std::string& name : {"nowhere.ini"s, std::string(300, 'n') + ".ini", std::string(5000, 'n')}) {
        const Outcome outcome = ReadAsProgram(folder, name);
        EXPECT_FALSE(outcome.ended);
        EXPECT_EQ(outcome.messages, std::vector<std::string>{kMissingNoteFileMessage});
    }
}

// Root reads any file, so the reading runs in a child that gives root up.
TEST(NoteFileFaults, AFolderOrAFileWithoutReadPermissionIsDamaged) {
    ScratchFolder folder;
    folder.Write("track.ini/inside.txt", "a.mp3,100");
    EXPECT_TRUE(ReadAsProgram(folder, "track.ini").ended);
    folder.Write("locked.ini", "a.mp3,100\r\n");
    ASSERT_EQ(::chmod(folder.PathOf("locked.ini").c_str(), 0), 0);
    EXPECT_EXIT(
        {
            if (!DropRootPrivileges()) {
                std::_Exit(2);
            }
            const Outcome outcome = ReadAsProgram(folder, "locked.ini");
            std::_Exit(outcome.ended && outcome.messages.size() == 1 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace kerbcall::faults
