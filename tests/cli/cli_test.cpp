// kerbcall-cli run as note authors run it: what it says, what it writes, and what a refused run leaves.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/faults/scratch_folder.h"

namespace kerbcall {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// A command line as an author types it, run by the shell in `folder` with this
// build's kerbcall-cli on the PATH and nothing on standard input unless it says.
CliRun RunCli(const faults::ScratchFolder& folder, const std::string& line) {
    const std::string command = "cd '" + folder.path() +
                                "' && PATH='" KERBCALL_CLI_FOLDER
                                "':\"$PATH\" && export XDG_DATA_HOME=\"$PWD/data\" && (" +
                                line + ") </dev/null >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, folder.Read("out.txt"), folder.Read("err.txt")};
}

// track.ini beside laps, a key map, sounds/ (LEFT4.MP3, broken.mp3), which is also the user's own sound
// folder, pack (the sound pack) and a link to nowhere.
void Lay(const faults::ScratchFolder& folder, const std::string& noteFile) {
    folder.Write("track.ini", noteFile);
    folder.Write("lap.csv", "# a lap\n0,0\n1,100\n2,200\n3,300\n4,400\n");
    folder.Write("jump.csv", "0,0\r0.2,150\r\n0.2,200\n0.3,300\n");
    folder.Write("back.csv", "0,0\n1,100\n3,100\n4,0\n");
    folder.Write("bad.csv", "0,0\n1,100\n2,200\n3,300\n4,400\nx,1\n");
    folder.Write("keys.txt", "z,zap.mp3\r\nzz\r\n");
    folder.Write("sounds/broken.mp3", "not a sound");
    fs::copy_file(fs::path(KERBCALL_SOUND_PACK) / "left4.mp3", folder.PathOf("sounds/LEFT4.MP3"));
    fs::create_directory_symlink(KERBCALL_SOUND_PACK, folder.PathOf("pack"));
    fs::create_directories(folder.PathOf("data/kerbcall"));
    fs::create_directory_symlink("../../sounds", folder.PathOf("data/kerbcall/zuda vodaz sounds"));
    fs::create_symlink("none.ini", folder.PathOf("nowhere.ini"));
}

struct ReadCase {
    std::string noteFile;  // track.ini
    std::string line;
    int exitCode;
    std::string said;  // all of standard output when it ends a line, else a part of what is said
};

constexpr char kNotes[] = "; c\r\n[ T ]\r\nleft4.mp3,100;c\r\nright\x80.mp3,110\r\n[Heading]\r\nbroken.mp3,300\r\n";
constexpr char kCloseCalls[] = "left4.mp3,820\r\ntightens.mp3,840\r\n";

const ReadCase kReadCases[] = {
    {kNotes, "kerbcall-cli check track.ini | head -n 4", 0,
     "0\t100\tleft4.mp3\n1\t110\tright\x80.mp3\n2\t0\t\n3\t300\tbroken.mp3\n"},
    {"left4.mp3,100\r\nright\x80.mp3,300\r\nbroken.mp3,500", "kerbcall-cli check track.ini --json --sounds sounds", 0,
     R"("sounds":{"broken.mp3":{"found":true,"folder":"sounds","duration":null,"leadingSilence":null},"left4.mp3":)"
     R"({"found":true,"folder":"sounds","duration":0.695,"leadingSilence":0.001},"right€.mp3":{"found":false,)"
     R"("folder":null,"duration":null,"leadingSilence":null}},)"
     R"("warnings":["line 2 (note 1): sound file \"right€.mp3\" is not in sounds","line 3 (note 2): sound file )"
     R"(\"broken.mp3\" cannot be decoded)"},
    {"a,3000000000", "kerbcall-cli check sounds || kerbcall-cli check track.ini", 1,
     "There is an unknown error in the ZRL Kerbcall.ini file\nThere is an unknown error in the ZRL Kerbcall.ini "
     "file\n"},
    {"", "kerbcall-cli check none.ini --json", 1, "{\"error\":\"Could not find the ZRL Kerbcall.ini File\"}\n"},
    // Each reason once, where the author can act on it.
    {"", "kerbcall-cli check none.ini", 1, "none.ini: does not exist"},
    {"", "kerbcall-cli check sounds", 1, "sounds: is a folder"},
    {"a,1", "chmod 0 track.ini && setpriv --reuid=65534 --clear-groups kerbcall-cli check track.ini", 1,
     "track.ini: cannot be read: Permission denied"},
    {"a,1\r\nb,2\r\n", "kerbcall-cli check track.ini --sounds nowhere 2>&1 | grep -c nowhere", 0, "1\n"},
    {"; c\r\n", "kerbcall-cli check track.ini --strict", 1, "holds no note"},
    {"",
     "yes a,5 | head -2001 >track.ini && test $(kerbcall-cli check track.ini 2>&1 | wc -c) -lt 99999 && kerbcall-cli "
     "check track.ini",
     0, "lines 1-2001 (notes 0-2000): 2001 notes at 5 share one trigger window"},
    {"a,0\r\nb,15\r\nc,30\r\n", "kerbcall-cli check track.ini", 0, "3 notes from 0 to 30"},
    {"left4.mp3,100\nright.mp3,110\r\nb,300\n", "kerbcall-cli check track.ini | head -n 3", 0,
     "0\t100\tleft4.mp3\n1\t110\tright.mp3\n2\t300\tb\n"},
    {"", "truncate -s 64M track.ini && kerbcall-cli check track.ini", 0, "0\t0\t\n"},
    {"", "truncate -s 67108865 track.ini && kerbcall-cli check track.ini", 1, "64 MiB"},
    {"[Track]\r\n5\r\n", "kerbcall-cli check track.ini", 0, "looks like a heading"},
    {"\xC3\xA9pingle.mp3,1", "kerbcall-cli check track.ini --json", 0,
     R"({"lastNoteIndex":0,"notes":[{"soundFile":"épingle.mp3","triggerDistance":1}],"sounds":{"épingle.mp3":)"},
    {"a.mp3,110\r\nb.mp3,100\r\nc.mp3,130\r\n", "kerbcall-cli check track.ini", 0,
     "line 1 (note 0) and line 2 (note 1): trigger windows overlap (110 and 100): both are called, driving on: "
     "the note at 100 first, the note at 110 10 units later"},
    {"\xEF\xBB\xBFleft3.mp3,100\r\n", "kerbcall-cli check track.ini --json --sounds pack", 0,
     "mark\",\"line 1 (note 0): sound file \\\"\xEF\xBB\xBFleft3.mp3\\\" is not in pack\"]}"},
    {std::string("\0l\0003\0,\0001\0000", 10), "kerbcall-cli check track.ini", 0,
     "UTF-16 (big-endian, without a byte-order mark)"},
    // Calls fire at the first millisecond sample in their windows, heard until the sound ends or the next call.
    {std::string(kCloseCalls) + "none.mp3,900\r\nleft1.mp3,0\r\n",
     "kerbcall-cli check track.ini --json --sounds pack --speed 40 --start 10", 0,
     R"("calls":[{"note":0,"soundFile":"left4.mp3","firesAt":20.001,"heardFor":0.5,"cutOffBy":1},{"note":1,)"
     R"("soundFile":"tightens.mp3","firesAt":20.501,"heardFor":0.659,"cutOffBy":null},{"note":2,"soundFile":)"
     R"("none.mp3","firesAt":22.001,"heardFor":0.0,"cutOffBy":null}],"neverFired":[3])"},
    {kCloseCalls, "kerbcall-cli check track.ini --sounds pack --speed 40", 0,
     "note 0 (left4.mp3) is cut off after 0.50 s of 0.69 s by note 1 at 40 units/s"},
    // Out to 100, a stop inside the far window, and back.
    {"tightens.mp3,100\r\nleft4.mp3,50\r\n", "kerbcall-cli check track.ini --json --sounds pack --lap back.csv", 0,
     R"("calls":[{"note":1,"soundFile":"left4.mp3","firesAt":0.401,"heardFor":0.5,"cutOffBy":0},{"note":0,)"
     R"("soundFile":"tightens.mp3","firesAt":0.901,"heardFor":0.659,"cutOffBy":null},{"note":1,"soundFile":)"
     R"("left4.mp3","firesAt":3.401,"heardFor":0.695,"cutOffBy":null}],"neverFired":[])"},
    {kCloseCalls, "kerbcall-cli check track.ini --sounds pack --lap bad.csv", 1, "bad.csv:6: expected SECONDS"},
    {kCloseCalls, "kerbcall-cli check track.ini --sounds pack --lap none.csv", 1, "none.csv: does not exist"},
    {kCloseCalls, "kerbcall-cli check track.ini --sounds pack --speed 0", 1, "--speed must be a number"},
    // Any length and time base ends at once; what leaves the range is refused.
    {"a,2147483647\r\n", "kerbcall-cli check track.ini --json --sounds pack --speed 40", 0, "\"firesAt\":53687089.6,"},
    {"a,100",
     "echo 1700000000,0 1700000100,4000 | tr ' ' '\\n' >u && kerbcall-cli check track.ini --json --sounds . --lap u", 0,
     "\"firesAt\":1700000002.251,"},
    {"a,100", "echo 0,0 1e300,1 | tr ' ' '\\n' >u && kerbcall-cli check track.ini --sounds . --lap u", 1,
     "u:2: SECONDS"},
    {"a,100", "kerbcall-cli check track.ini --sounds . --speed 1e-300", 1, "longer than a drive may last"},
    {"a,2147483647\r\nb,-2147483648",
     "kerbcall-cli timeline track.ini --sounds pack --speed 1e5 -o t.svg && test $(wc -c <t.svg) -lt 99999", 0, ""},
    {"a,5", "kerbcall-cli timeline track.ini --sounds pack --lap lap.csv -o lap.csv", 1,
     "also a file this command reads"},
    {"a,5", "kerbcall-cli timeline track.ini --sounds pack --speed 9 -o lap.csv", 1, "give --force"},
    {std::string(kCloseCalls) + "A&B<\xC3\xA9>.mp3,900\r\n",
     "kerbcall-cli timeline track.ini --sounds pack --speed 40 -o t.svg && xmllint --noout t.svg && cat t.svg", 0,
     "left4.mp3 (cut by 1)"},
    // On a window's upper edge, back into the window of the note played last, through two that overlap.
    {"first.mp3,100\r\nsecond.mp3,500\r\nthird.mp3,505\r\n",
     "printf '110\\n95\\n0\\n95\\n497\\n499\\n500\\n600\\n95\\r\\n' | kerbcall-cli replay track.ini", 0,
     "2\t0\tfirst.mp3\n5\t1\tsecond.mp3\n6\t2\tthird.mp3\n9\t0\tfirst.mp3\n"},
    // Beyond a float's range is the infinity of its sign.
    {"a.mp3,5\r\n", "printf '1e39\\n-1e39\\n3.5e38\\n1e-50\\n' | kerbcall-cli replay track.ini --json", 0,
     R"({"fired":[{"pass":4,"note":0,"soundFile":"a.mp3"}]})"},
    {"a.mp3,150\r\n", "printf '0\\n100\\n200\\n' | kerbcall-cli replay track.ini", 0, "3\t0\ta.mp3\n"},  // jumped over
    {"a.mp3,5\r\n", "printf '100\\n\\n \\nfast\\n' | kerbcall-cli replay track.ini", 1, "line 4: not a number"},
    {"a.mp3,5\r\n", "printf '100\\n\\n5\\n' | kerbcall-cli replay track.ini", 0, "2\t0\ta.mp3\n"},
    // Without --sounds, the user's own sound folder first, then the program folder's.
    {"tightens.mp3,100\r\nleft4.mp3,200\r\nnone.mp3,300\r\n",
     "cp \"$(command -v kerbcall-cli)\" . && ln -s pack 'Zuda Vodaz Sounds' && ./kerbcall-cli check track.ini --json "
     "--speed 40 | grep -o '\"[a-z4]*.mp3\":{\"found\":[a-z]*,\"folder\":[^,]*' | sed \"s|$PWD|~|\"",
     0,
     "\"left4.mp3\":{\"found\":true,\"folder\":\"~/data/kerbcall/zuda vodaz sounds\"\n\"none.mp3\":{\"found\":false,"
     "\"folder\":null\n\"tightens.mp3\":{\"found\":true,\"folder\":\"~/Zuda Vodaz Sounds\"\n"},
    {"none.mp3,300\r\n",
     "cp \"$(command -v kerbcall-cli)\" . && mkdir 'Zuda Vodaz Sounds' && ./kerbcall-cli check track.ini", 0,
     "/data/kerbcall/zuda vodaz sounds or /"},
    {"a,1\r\n", "HOME=/nowhere XDG_DATA_HOME=no kerbcall-cli timeline track.ini --speed 40 -o t.svg", 0,
     "no sound folder can be read (/nowhere/.local/share/kerbcall/Zuda Vodaz Sounds and " KERBCALL_CLI_FOLDER},
    // What the program would not play: a pipe would hold the check up, a folder is no sound.
    {"p.mp3,1\r\nd.mp3,2\r\n",
     "mkfifo sounds/p.mp3 && mkdir sounds/d.mp3 && kerbcall-cli check track.ini 2>&1 | grep -c 'not a regular'", 0,
     "2\n"},
    {"", "kerbcall-cli timeline track.ini --sounds pack -o t.svg", 2, "--speed or --lap"}};

TEST(ReadingCommands, SayWhatTheProgramWouldDo) {
    for (const ReadCase& read : kReadCases) {
        SCOPED_TRACE(read.line);
        const faults::ScratchFolder folder;
        Lay(folder, read.noteFile);
        const CliRun run = RunCli(folder, read.line);
        EXPECT_EQ(run.exitCode, read.exitCode) << run.err;
        if (read.said.ends_with('\n')) {
            EXPECT_EQ(run.out, read.said);
        } else {
            EXPECT_NE((run.out + run.err).find(read.said), std::string::npos) << run.out << run.err;
        }
    }
}

struct WriteCase {
    std::string noteFile;  // track.ini
    std::string oldOut;    // out.ini before the run; none when empty
    std::string arguments;
    int exitCode;
    std::string out;  // out.ini afterwards, when not empty
    std::string said;
};

constexpr char kStage[] =
    "; stage\r\n[ Part 1 ]\r\nleft3.mp3,300 ; tightens\r\n\r\nright2.mp3,100\r\n900\rcaution.mp3, 3 07.5";

const WriteCase kWriteCases[] = {
    // Shifted, then scaled with halves rounded to even; only the distances' characters change.
    {kStage, "", "edit track.ini -o out.ini --shift 5 --scale 0.5", 0,
     "; stage\r\n[ Part 1 ]\r\nleft3.mp3,152 ; tightens\r\n\r\nright2.mp3,52\r\n452\rcaution.mp3, 156",
     "4 of 4 notes written"},
    // Notes move with their comments and keep the places' line ends; the lines of others stay.
    {kStage, "", "edit track.ini -o out.ini --from 100 --to 308 --rebase --sort", 0,
     "; stage\r\n[ Part 1 ]\r\nright2.mp3,0\r\n\r\nleft3.mp3,200 ; tightens\r\ncaution.mp3, 208",
     "3 of 4 notes written"},
    {"b.mp3,  120m ; far\t\nh.mp3,+7\r\n", "", "edit track.ini -o out.ini --shift 3 --sort", 0,
     "h.mp3,10\nb.mp3,  123m ; far\t\r\n", ""},
    {"b,9\na,5\rc,5\r\n", "", "edit track.ini -o out.ini --sort", 0, "a,5\nc,5\rb,9\r\n", ""},
    {"a,5", "", "edit track.ini --in-place --shift -6 && cat track.ini", 0, "", "a,-1"},
    {"a,5", "old", "edit track.ini -o out.ini --force", 0, "a,5", ""},
    {"a,5", "", "edit track.ini -o " + std::string(251, 'n') + ".ini && mv nnn*.ini out.ini", 0, "a,5", ""},
    // Straight lines between the lap's points, a point exactly on the time taken.
    {"a,150\r\nb,400 ; x\r\n", "", "lead track.ini --lap lap.csv --seconds 1.5 -o out.ini", 0, "a,0\r\nb,250 ; x\r\n",
     ""},
    {"a,300\r\n", "", "lead track.ini --lap jump.csv --seconds 0.1 -o out.ini", 0, "a,200\r\n", ""},
    {"a,50\r\nb,500\r\nc,300\r\n", "", "lead track.ini --lap lap.csv --seconds 1 -o out.ini --keep-unreachable", 0,
     "a,50\r\nb,500\r\nc,200\r\n", "line 2: b at 500: the lap never reaches it; kept where it is"},
    // Refused: every file stays as it was.
    {"a,50\r\n", "", "lead track.ini --lap lap.csv --seconds 2 -o out.ini", 1, "",
     "track.ini:1: a at 50: the lap reaches it 0.5 s after its start, less than 2 s"},
    {"a,50\r\n", "", "lead track.ini --lap bad.csv --seconds 1 -o out.ini", 1, "",
     "bad.csv:6: expected SECONDS,DISTANCE"},
    {"a,50\r\n", "", "lead track.ini --lap lap.csv --seconds 1e300 -o out.ini", 2, "", "--seconds must be"},
    {"a,50\r\n", "", "lead track.ini --lap lap.csv --seconds 1 -o lap.csv --force", 1, "",
     "also a file this command reads"},
    {"; c\r\na,5\r\nb,2147483000\r\n", "old", "edit track.ini -o out.ini --force --shift 1000", 1, "",
     "track.ini:3: the distance would be 2147484000"},
    {"a,-2000000000\r\n", "", "edit track.ini --in-place --scale 2", 1, "",
     "track.ini:1: the distance would be -4000000000"},
    {"a,5", "", "edit track.ini -o out.ini --shift 9223372036854775807", 2, "", "--shift must lie from -4294967295"},
    {"a,5", "", "edit track.ini -o out.ini --from -9223372036854775808 --to 9 --rebase", 1, "",
     "would be 9223372036854775808"},
    {"a.mp3,1.2.6\r\n", "", "edit track.ini -o out.ini --shift 6", 1, "",
     "track.ini:1: the new distance 7 would run into"},
    {"[Head]\r\na,5\r\n", "", "edit track.ini -o out.ini --shift 1", 1, "",
     "track.ini:1: the distance \"[Head]\" is no number"},
    {"a,5", "", "edit track.ini -o ./track.ini", 1, "", "give --in-place"},
    {"a,5", "", "edit track.ini -o nowhere.ini", 1, "",
     "nowhere.ini is a symbolic link to none.ini, which does not exist"},
    {"a,5", "", "edit track.ini --shift 1", 2, "", "give -o OUT, or --in-place"},
    {"a,5", "old", "lead track.ini -o out.ini --lap lap.csv --seconds 1", 1, "", "give --force"},
    {"", "", "edit track.ini -o out.ini", 1, "", "track.ini: the file is empty"},
    // A key map is checked before anything else: each line that would not record the note meant.
    {"a,5", "", "record out.ini --keys keys.txt", 1, "", "keys.txt: line 2: expected KEY,SOUND"},
    {"; keys\n\nz, zap.mp3", "", "record out.ini --keys track.ini", 1, "",
     "track.ini: line 3: the sound name begins or ends"},
    {"z,[ zap.mp3", "", "record out.ini --keys track.ini", 1, "",
     "line 1: a line that begins with \"[ \" is a heading"},
    {"z,a;b.mp3\rx,", "", "record out.ini --keys track.ini", 1, "", "line 1: a \";\" in the sound name"},
    {"x,\r", "", "record out.ini --keys track.ini", 1, "", "line 1: the sound name is empty"},
    {"; keys\r\n\r\nz,zap.mp3\r\n", "", "record out.ini --keys track.ini", 2, "", "terminal"},
    {"a,5", "", "record track.ini --keys track.ini", 1, "", "also a file this command reads"},
    {"a,5", "", "record out.ini --lap lap.csv", 1, "", "lap.csv exists; give --force"},
    {"a,5", "a,3000000000", "record out.ini", 1, "", "out.ini: line 1: the distance does not fit"}};

TEST(WritingCommands, WriteWhatIsAskedAndTouchNothingElse) {
    for (const WriteCase& write : kWriteCases) {
        SCOPED_TRACE(write.arguments);
        const faults::ScratchFolder folder;
        Lay(folder, write.noteFile);
        fs::create_hard_link(folder.PathOf("track.ini"), folder.PathOf("was.ini"));
        // A file replaced keeps its permissions.
        constexpr fs::perms kOwnerOnly = fs::perms::owner_read | fs::perms::owner_write;
        fs::permissions(folder.PathOf("track.ini"), kOwnerOnly);
        if (!write.oldOut.empty()) {
            folder.Write("out.ini", write.oldOut);
            fs::create_hard_link(folder.PathOf("out.ini"), folder.PathOf("old.ini"));
        }
        const CliRun run = RunCli(folder, "kerbcall-cli " + write.arguments);
        EXPECT_EQ(run.exitCode, write.exitCode) << run.err;
        EXPECT_NE((run.out + run.err).find(write.said), std::string::npos) << run.out << run.err;
        const bool hasOut = fs::exists(folder.PathOf("out.ini"));
        if (write.exitCode != 0) {
            EXPECT_EQ(folder.Read("track.ini"), write.noteFile);
            EXPECT_EQ(folder.Read("out.ini"), write.oldOut);
            EXPECT_EQ(hasOut, !write.oldOut.empty());
        }
        EXPECT_EQ(write.out.empty() ? write.out : folder.Read("out.ini"), write.out);
        // Written beside and renamed over, never into: the old files keep their bytes.
        EXPECT_EQ(folder.Read("was.ini"), write.noteFile);
        EXPECT_EQ(folder.Read("old.ini"), write.oldOut);
        EXPECT_EQ(fs::status(folder.PathOf("track.ini")).permissions(), kOwnerOnly);
        // Nothing half written is left beside them.
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()),
                  13 + (write.oldOut.empty() ? 0 : 1) + (hasOut ? 1 : 0));
    }
}

struct PackCase {
    std::string recordings;  // shell commands run in the folder of recordings
    std::string options;
    int exitCode;
    std::string made;  // the recordings made into calls, in order
    std::string said;  // a part of what is said
};

// A tone of 0.3 s, 0.5 s into its recording, 0.2 s before its end.
std::string Tone(const std::string& file, int rate, double level) {
    return "sox -n -r " + std::to_string(rate) + " " + file + " synth 0.3 sine 440 vol " + std::to_string(level) +
           " pad 0.5 0.2 && ";
}

const PackCase kPackCases[] = {
    // Quiet and loud takes, rates from 16 to 48 kHz, an MP3 with its encoder's delay, a hiss before the tone and
    // one after it that the encoder takes out (h.wav, e.wav), a file that is no sound.
    {Tone("quiet.wav", 22050, 0.01) + Tone("loud.wav", 48000, 0.9) + Tone("f.flac", 16000, 0.3) +
         Tone("o.ogg", 32000, 0.3) + Tone("m.wav", 22050, 0.3) + "lame --quiet m.wav m.mp3 && rm m.wav && " +
         "sox -n n.wav synth 0.05 whitenoise vol 0.1 sinc 12000 pad 0.45 && sox -n t.wav synth 0.3 sine 440 vol 0.3 "
         "pad 0 0.2 && sox n.wav t.wav h.wav && sox h.wav e.wav reverse pad 0.3 0 && echo x >broken.wav && "
         "echo x >notes.txt && rm n.wav t.wav",
     "", 1, "e.wav f.flac h.wav loud.wav m.mp3 o.ogg quiet.wav", R"("broken.wav","reason":"cannot be decoded: )"},
    {"sox -n c.wav synth 0.3 square 440 pad 0.5 0.2", "", 0, "c.wav", R"("warnings":["clipped: )"},
    // A 16-bit mono take at the player's rate, whose full scale the decoder takes one step down; a dangling link.
    {"sox -n -r 44100 -b 16 k.wav synth 0.3 sine 440 gain 6 pad 0.5 0.2 2>/dev/null; ln -s none z.wav", "", 0, "k.wav",
     R"("warnings":["clipped: )"},
    {"sox -n s.wav trim 0 1", "", 1, "", R"("s.wav","reason":"silent)"},
    {Tone("a.wav", 44100, 0.3) + Tone("a.flac", 44100, 0.3) + "true", "", 1, "a.flac", "a.mp3 is made from a.flac"},
    {Tone("a.wav", 44100, 0.3) + "echo old >../out/a.mp3", "", 1, "", "out/a.mp3 exists; give --force"},
    {Tone("a.wav", 44100, 0.3) + "echo old >../out/a.mp3", "--force", 0, "a.wav", ""},
    {"echo x >a.txt", "", 1, "", "no recordings"}};

TEST(PackCommand, MakesCallsThatStartAtOnceAtOneLoudness) {
    for (const PackCase& pack : kPackCases) {
        SCOPED_TRACE(pack.recordings);
        const faults::ScratchFolder folder;
        const CliRun run = RunCli(folder, "mkdir in out && (cd in && " + pack.recordings +
                                              ") && kerbcall-cli pack in -o out --json " + pack.options);
        EXPECT_EQ(run.exitCode, pack.exitCode) << run.err;
        EXPECT_NE((run.out + run.err).find(pack.said), std::string::npos) << run.out << run.err;
        if (pack.recordings.find("old") != std::string::npos) {
            EXPECT_EQ(folder.Read("out/a.mp3") == "old\n", pack.exitCode != 0);
        }
        std::string made;
        const auto report = nlohmann::json::parse(run.out.empty() ? "{}" : run.out);
        for (const auto& call : report.value("calls", nlohmann::json::array())) {
            const std::string name = call["recording"];
            SCOPED_TRACE(name);
            made += (made.empty() ? "" : " ") + name;
            EXPECT_TRUE(fs::exists(folder.PathOf("out/" + fs::path(name).stem().string() + ".mp3")));
            // The tone, from 1 ms before it to 30 ms after it, as the player decodes it (at 22.05 kHz it keeps
            // the MP3 encoder's 50 ms delay).
            EXPECT_NEAR(call["silenceRemovedBefore"].get<double>(), name == "m.mp3" ? 0.549 : 0.499, 0.002);
            EXPECT_NEAR(call["durationAfter"].get<double>(), 0.331, 0.003);
            EXPECT_LE(call["startsAfter"].get<double>(), 0.005);
            EXPECT_LE(call["endsAfter"].get<double>(), 0.030);
            EXPECT_NEAR(call["loudnessAfter"].get<double>(), -18.0, 1.0);
        }
        EXPECT_EQ(made, pack.made);
    }
}

}  // namespace
}  // namespace kerbcall
