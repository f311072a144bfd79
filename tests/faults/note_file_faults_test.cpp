// Note files as users keep them, read by the real reader through the real file service.
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

namespace kerbcall::faults {
namespace {

using namespace std::string_literals;

struct Outcome {
    std::vector<PaceNote> notes;
    std::vector<std::string> messages;
    bool ended = false;
    bool operator==(const Outcome&) const = default;
};

const Outcome kMissing{{}, {kMissingNoteFileMessage}, false};
const Outcome kDamaged{{}, {kDamagedNoteFileMessage}, true};
Outcome Read(std::vector<PaceNote> notes) { return {std::move(notes), {}, false}; }

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

TEST(NoteFileFaults, OddContentGivesTheTableOrTheDamagedMessageAndTheFileStaysAsItWas) {
    const std::string megabyte(std::size_t{1} << 20, 'x');
    const std::string blanks(megabyte.size(), ' ');
    const std::pair<std::string, Outcome> cases[] = {
        {"", kDamaged},
        {"left3.mp3,100" + blanks + "\r\nright.mp3,200", Read({{"left3.mp3", 100}, {"right.mp3", 200}})},
        {";" + megabyte + "\r\n[ " + megabyte + "\r\na.mp3,5", Read({{"a.mp3", 5}})},
        {megabyte + ",100", kDamaged},
        {megabyte + ";c", kDamaged},
        {"a.mp3," + std::string(megabyte.size(), '9'), kDamaged},
        {"a.mp3,0." + std::string(megabyte.size(), '0') + "7", Read({{"a.mp3", 0}})},
        {"\0\0\0\r\na\0b.mp3,1\0 2\r\n"s, Read({{"", 0}, {"a\0b.mp3"s, 1}})},
        {"\xe9pingle.mp3,300\r\nsay \"hi\".mp3,40", Read({{"\xe9pingle.mp3", 300}, {"say \"hi\".mp3", 40}})},
    };
    for (const auto& [bytes, expected] : cases) {
        const ScratchFolder folder;
        folder.Write("track.ini", bytes);
        EXPECT_TRUE(ReadAsProgram(folder, "track.ini") == expected) << bytes.substr(0, 30);
        EXPECT_EQ(folder.Read("track.ini"), bytes) << "the note file changed";
    }
}

// Names as users write them, in any letter case and through "\"; "*" and "?"
// match as the Windows file search matches them, but name no file to read.
TEST(NoteFileFaults, NamesAreLookedUpAsOnWindows) {
    const ScratchFolder folder;
    for (const std::string& name : {"Forest stage.ini"s, "o'neil \"night\".ini"s, "\xe9preuve.ini"s, "  lead.ini"s,
                                    "semi;colon,comma.ini"s, "stage[1]?.ini"s, std::string(200, 'n') + ".ini"}) {
        folder.Write("Sub Folder/" + name, "left3.mp3,125\r\n");
    }
    const Outcome read = Read({{"left3.mp3", 125}});
    const std::string sub = "Sub Folder\\";
    const std::pair<std::string, Outcome> cases[] = {
        {"sub folder\\FOREST STAGE.INI", read},
        {sub + "o'neil \"night\".ini", read},
        {sub + "\xe9preuve.ini", read},
        {sub + "  lead.ini", read},
        {sub + "SEMI;colon,comma.ini", read},
        {sub + std::string(200, 'N') + ".ini", read},
        {sub + "stage[1]?.ini", read},
        {sub + "STAGE[1]*", kDamaged},
        {"SUB FOLDER\\f?rest*.INI", kDamaged},
        {sub + "Fo*e*i", kDamaged},
        {"Sub Folder", kDamaged},
        {sub + "[s]tage[1]?.ini", kMissing},
        {sub + "F?orest stage.ini", kMissing},
        {sub + "*.mp3", kMissing},
        {"nowhere.ini", kMissing},
        {std::string(300, 'n') + ".ini", kMissing},
        {std::string(5000, 'n'), kMissing},
        {sub, kMissing},
        {sub + "forest stage.ini\\more", kMissing},
    };
    for (const auto& [name, expected] : cases) {
        EXPECT_TRUE(ReadAsProgram(folder, name) == expected) << name;
    }
}

// Root reads any file, so the reading runs in a child that gives root up.
TEST(NoteFileFaults, AFileWithoutReadPermissionIsDamaged) {
    const ScratchFolder folder;
    folder.Write("locked.ini", "a.mp3,100\r\n");
    ASSERT_EQ(::chmod(folder.PathOf("locked.ini").c_str(), 0), 0);
    EXPECT_EXIT(std::_Exit(DropRootPrivileges() && ReadAsProgram(folder, "locked.ini") == kDamaged ? 0 : 1),
                testing::ExitedWithCode(0), "");
    EXPECT_EQ(posix::PosixFiles().ReadWholeFile("/dev/zero"), std::nullopt);  // never ends
}

}  // namespace
}  // namespace kerbcall::faults
