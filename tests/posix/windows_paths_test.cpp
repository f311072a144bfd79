// Note files and sounds named as on Windows ("\" separators, any letter case)
// are found on a case-sensitive file system.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/note_file.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/program_folder.h"
#include "platform/posix/sdl_mci.h"
#include "sound/sound_player.h"
#include "tests/fakes/fake_platform.h"
#include "tests/posix/sim_process.h"

namespace kerbcall::posix {
namespace {

namespace fs = std::filesystem;

// A program folder with a note file and a sound in a subfolder, their names
// in other letter cases than the program uses.
class ProgramFolderWithNotes : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::path(::testing::TempDir()) / ("Kerbcall-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "Zuda Vodaz Sounds" / "Turns");
        std::ofstream(folder_ / "Monza.Ini") << "; Monza\r\nTurns\\Left3.mp3,120\r\nfinish.mp3,5600\r\n";
        fs::copy_file(testing::TestData("Tone.MP3"), folder_ / "Zuda Vodaz Sounds" / "Turns" / "LEFT3.Mp3");
    }
    void TearDown() override { fs::remove_all(folder_); }

    // The folder as the program writes paths under it.
    std::string Windows(const std::string& rest) const { return folder_.string() + "\\" + rest; }

    fs::path folder_;
    PosixFiles files;
};

TEST_F(ProgramFolderWithNotes, FileExistsIgnoresCaseReadsBackslashesAndRefusesATrailingSeparator) {
    const struct {
        std::string path;
        bool exists;
    } cases[] = {
        {Windows("monza.ini"), true},
        {Windows("MONZA.INI"), true},
        {(folder_ / "Monza.Ini").string(), true},
        {Windows("zuda vodaz sounds"), true},
        {Windows("Zuda Vodaz Sounds\\turns\\left3.mp3"), true},
        {Windows("Zuda Vodaz Sounds\\"), false},
        {(folder_ / "Zuda Vodaz Sounds").string() + "/", false},
        {Windows("Zuda Vodaz Sounds\\turns\\*.MP3"), true},
        {Windows("Zuda Vodaz Sounds\\turns\\?EFT3.mp3"), true},
        {Windows("Zuda Vodaz Sounds\\turns\\*.wav"), false},
        {Windows("spa.ini"), false},
        {Windows("monza.ini\\more"), false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(files.FileExists(c.path), c.exists) << c.path;
    }
}

TEST_F(ProgramFolderWithNotes, ReadWholeFileFindsTheFileAndRefusesFolders) {
    EXPECT_EQ(files.ReadWholeFile(Windows("MONZA.ini")), "; Monza\r\nTurns\\Left3.mp3,120\r\nfinish.mp3,5600\r\n");
    EXPECT_EQ(files.ReadWholeFile(Windows("zuda vodaz sounds")), std::nullopt);
    EXPECT_EQ(files.ReadWholeFile(Windows("spa.ini")), std::nullopt);
    EXPECT_EQ(files.ReadWholeFile("/dev/zero"), std::nullopt);  // never ends
}

TEST(ProgramFolder, IsTheFolderOfTheRunningExecutable) {
    EXPECT_EQ(ProgramFolder(), fs::read_symlink("/proc/self/exe").parent_path().string());
}

TEST_F(ProgramFolderWithNotes, TheNoteReaderLoadsANoteFileNamedInAnotherCase) {
    Globals globals;
    globals.noteFileName = "MONZA.INI";
    fakes::FakeProgram program;
    program.folder = folder_.string();
    TrackIniFileReader reader(globals, files, program);
    reader.ReadNoteFile();
    EXPECT_TRUE(program.messages.empty());
    ASSERT_EQ(globals.lastNoteIndex, 1);
    EXPECT_EQ(globals.paceNotes[0].soundFile, "Turns\\Left3.mp3");
    EXPECT_EQ(globals.paceNotes[1].triggerDistance, 5600);
}

TEST_F(ProgramFolderWithNotes, TheSoundPlayersOpenCommandFindsASoundNamedInAnotherCase) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    SdlMci mci;
    const SoundPlayer player(mci, folder_.string());
    EXPECT_EQ(mci.SendString(player.OpenCommand("turns\\left3.MP3")), 0);
    EXPECT_EQ(mci.SendString("close songNumber1"), 0);
    EXPECT_EQ(mci.SendString(player.OpenCommand("Turns\\Left4.mp3")), static_cast<int>(MciError::kFileNotFound));
    mci.CloseDevice();
}

}  // namespace
}  // namespace kerbcall::posix
