// Note files and sounds named as on Windows ("\" separators, any letter case)
// are found on a case-sensitive file system.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/note_file.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/sdl_mci.h"
#include "sound/sound_player.h"
#include "tests/fakes/fake_platform.h"
#include "tests/posix/sim_process.h"

namespace kerbcall::posix {
namespace {

namespace fs = std::filesystem;

TEST(WindowsPaths, NoteFilesAndSoundsAreFoundInAnyLetterCase) {
    const fs::path folder = fs::path(::testing::TempDir()) / ("Kerbcall-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "Zuda Vodaz Sounds" / "Turns");
    std::ofstream(folder / "Monza.Ini") << "; Monza\r\nTurns\\Left3.mp3,120\r\nfinish.mp3,5600\r\n";
    fs::copy_file(testing::TestData("Tone.MP3"), folder / "Zuda Vodaz Sounds" / "Turns" / "LEFT3.Mp3");
    const std::string windows = folder.string() + "\\";
    PosixFiles files;
    const struct {
        std::string path;
        bool exists;
    } cases[] = {
        {windows + "MONZA.INI", true},
        {(folder / "Monza.Ini").string(), true},
        {windows + "zuda vodaz sounds", true},
        {windows + "Zuda Vodaz Sounds\\turns\\left3.mp3", true},
        {windows + "Zuda Vodaz Sounds\\", false},
        {(folder / "Zuda Vodaz Sounds/").string(), false},
        {windows + "Zuda Vodaz Sounds\\turns\\*.MP3", true},
        {windows + "Zuda Vodaz Sounds\\turns\\?EFT3.mp3", true},
        {windows + "Zuda Vodaz Sounds\\turns\\*.wav", false},
        {windows + "spa.ini", false},
        {windows + "monza.ini\\more", false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(files.FileExists(c.path), c.exists) << c.path;
    }
    EXPECT_EQ(files.ReadWholeFile(windows + "zuda vodaz sounds"), std::nullopt);
    EXPECT_EQ(files.ReadWholeFile("/dev/zero"), std::nullopt);  // never ends

    Globals globals;
    globals.noteFileName = "MONZA.INI";
    fakes::FakeProgram program;
    program.folder = folder.string();
    TrackIniFileReader(globals, files, program).ReadNoteFile();
    EXPECT_TRUE(program.messages.empty());
    ASSERT_EQ(globals.lastNoteIndex, 1);
    EXPECT_EQ(globals.paceNotes[0].soundFile, "Turns\\Left3.mp3");

    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    SdlMci mci;
    const SoundPlayer player(mci, folder.string());
    EXPECT_EQ(mci.SendString(player.OpenCommand(globals.paceNotes[0].soundFile)), 0);
    EXPECT_EQ(mci.SendString("close songNumber1"), 0);
    EXPECT_EQ(mci.SendString(player.OpenCommand("Turns\\Left4.mp3")), static_cast<int>(MciError::kFileNotFound));
    mci.CloseDevice();
    fs::remove_all(folder);
}

}  // namespace
}  // namespace kerbcall::posix
