// kerbcall-cli edit, lead and record's checks, run as authors run them: what
// they write, and that a refused or failed run leaves every file as it was.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>

#include "tests/faults/scratch_folder.h"

namespace kerbcall {
namespace {

namespace fs = std::filesystem;

constexpr char kUnchanged[] = "(unchanged)";

struct BenchCase {
    const char* name;
    std::string noteFile;   // track.ini
    std::string oldOut;     // out.ini before the run; none when empty
    std::string arguments;  // run in the folder of both
    int exitCode;
    std::string out;  // out.ini afterwards: its bytes, or kUnchanged
    std::string said;
};

constexpr char kStage[] =
    "; stage\r\n[ Part 1 ]\r\nleft3.mp3,300 ; tightens\r\n\r\nright2.mp3,100\r\n900\rcaution.mp3, 3 07.5";

const BenchCase kCases[] = {
    BenchCase{"ShiftThenScaleRoundingHalfToEven", kStage, "", "edit track.ini -o out.ini --shift 5 --scale 0.5", 0,
              "; stage\r\n[ Part 1 ]\r\nleft3.mp3,152 ; tightens\r\n\r\nright2.mp3,52\r\n452\r\ncaution.mp3,156\r\n",
              "4 of 4 notes written"},
    BenchCase{"CutRebaseAndSortMoveNotesWithTheirComments", kStage, "",
              "edit track.ini -o out.ini --from 100 --to 400 --rebase --sort", 0,
              "; stage\r\n[ Part 1 ]\r\nright2.mp3,0\r\n\r\nleft3.mp3,200 ; tightens\r\ncaution.mp3,208\r\n",
              "3 of 4 notes written"},
    BenchCase{"SortKeepsEqualDistancesInFileOrder", "b,9\r\na,5\r\nc,5\r\n", "", "edit track.ini -o out.ini --sort", 0,
              "a,5\r\nc,5\r\nb,9\r\n", ""},
    BenchCase{"InPlaceReplacesTheFile", "a,5", "", "edit track.ini --in-place --shift -6 && cat track.ini", 0,
              kUnchanged, "a,-1\r\n"},
    BenchCase{"ForceReplacesAnotherFile", "a,5", "old", "edit track.ini -o out.ini --force", 0, "a,5\r\n", ""},
    BenchCase{"LeadMovesNotesOnTheLap", "a,150\r\nb,400 ; x\r\n", "",
              "lead track.ini --lap lap-short.csv --seconds 1.5 -o out.ini", 0, "a,0\r\nb,200 ; x\r\n", ""},
    BenchCase{"LeadKeepsUnreachableNotesWhenAsked", "a,50\r\nb,500\r\nc,300\r\n", "",
              "lead track.ini --lap lap-short.csv --seconds 1 -o out.ini --keep-unreachable", 0,
              "a,0\r\nb,500\r\nc,200\r\n", "line 2: b at 500: the lap never reaches it; kept where it is"},
    // Refused: every file stays as it was.
    BenchCase{"LeadNamesANoteReachedTooSoon", "a,50\r\n", "",
              "lead track.ini --lap lap-short.csv --seconds 2 -o out.ini", 1, kUnchanged,
              "track.ini:1: a at 50: the lap reaches it 1 s after its start, less than 2 s"},
    BenchCase{"LeadNamesTheLapsBadLine", "a,50\r\n", "", "lead track.ini --lap lap.csv --seconds 1 -o out.ini", 1,
              kUnchanged, "lap.csv: line 6: expected SECONDS,DISTANCE"},
    BenchCase{"DistanceBeyond32BitsNamesItsLine", "; c\r\na,5\r\nb,2147483000\r\n", "old",
              "edit track.ini -o out.ini --force --shift 1000", 1, kUnchanged,
              "track.ini:3: the distance would be 2147484000"},
    BenchCase{"ScaledBeyond32Bits", "a,-2000000000\r\n", "", "edit track.ini --in-place --scale 2", 1, kUnchanged,
              "track.ini:1: the distance would be -4000000000"},
    BenchCase{"TheFileReadIsNotOverwritten", "a,5", "", "edit track.ini -o ./track.ini", 1, kUnchanged,
              "give --in-place"},
    BenchCase{"AnExistingOutNeedsForce", "a,5", "old", "lead track.ini -o out.ini --lap lap-short.csv --seconds 1", 1,
              kUnchanged, "give --force"},
    BenchCase{"OutInAMissingFolder", "a,5", "", "edit track.ini -o none/out.ini", 1, kUnchanged, "does not exist"},
    BenchCase{"MissingFile", "a,5", "", "edit none.ini -o out.ini", 1, kUnchanged, "none.ini: no such file"},
    BenchCase{"AFileTheProgramRefuses", "", "", "edit track.ini -o out.ini", 1, kUnchanged,
              "track.ini: the file is empty"},
    BenchCase{"FromWithoutTo", "a,5", "", "edit track.ini -o out.ini --from 3", 2, kUnchanged, "--from requires --to"},
    BenchCase{"ScaleOfZero", "a,5", "", "edit track.ini -o out.ini --scale 0", 2, kUnchanged, "above 0"},
    BenchCase{"ScaleNotANumber", "a,5", "", "edit track.ini -o out.ini --scale fast", 2, kUnchanged, "--scale"},
    BenchCase{"UnknownOption", "a,5", "", "edit track.ini -o out.ini --shfit 3", 2, kUnchanged, "--shfit"},
    BenchCase{"KeyMapLineNotKeyComma", "a,5", "", "record out.ini --keys keys.txt", 1, kUnchanged,
              "keys.txt: line 2: expected KEY,SOUND"},
    BenchCase{"RecordWantsATerminal", "a,5", "", "record out.ini", 2, kUnchanged, "terminal"}};

TEST(BenchTest, WritesWhatIsAskedAndTouchesNothingElse) {
    for (const BenchCase& bench : kCases) {
        SCOPED_TRACE(bench.name);
        const faults::ScratchFolder folder;
        folder.Write("track.ini", bench.noteFile);
        folder.Write("lap.csv", "0,0\n1,100\n2,200\n3,300\n4,400\nx,1\n");
        folder.Write("lap-short.csv", "# a lap\n0,0\n1,100\n2,200\n3,300\n4,400\n");
        folder.Write("keys.txt", "z,zap.mp3\r\nzz\r\n");
        if (!bench.oldOut.empty()) {
            folder.Write("out.ini", bench.oldOut);
        }
        const int status = std::system(
            ("cd '" + folder.path() + "' && '" + KERBCALL_CLI + "' " + bench.arguments + " </dev/null >said.txt 2>&1")
                .c_str());
        const std::string said = folder.Read("said.txt");
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, bench.exitCode) << said;
        EXPECT_NE(said.find(bench.said), std::string::npos) << "\"" << bench.said << "\" not in:\n" << said;
        const bool outWritten = fs::exists(folder.PathOf("out.ini"));
        if (bench.out != kUnchanged) {
            EXPECT_EQ(folder.Read("out.ini"), bench.out);
        }
        if (bench.exitCode != 0) {
            EXPECT_EQ(folder.Read("track.ini"), bench.noteFile);
            EXPECT_EQ(outWritten ? folder.Read("out.ini") : "", bench.oldOut);
            // Nothing half written is left beside them.
            EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()),
                      outWritten ? 6 : 5);
        }
    }
}

}  // namespace
}  // namespace kerbcall
