// What kerbcall-cli tells a note author before the drive: encodings, sound
// timing with the real sound pack, a drive's calls and cut-offs, the
// timeline picture, and clear refusals of bad input.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/cli/cli_process.h"

namespace {

namespace fs = std::filesystem;

struct BenchCase {
    const char* name;
    std::string noteFile;   // its bytes
    std::string arguments;  // after the file's name; $PACK, $DIR stand for the sound pack and the test folder
    int exitCode;
    std::vector<std::string> said;  // each in standard output or standard error
};

void PrintTo(const BenchCase& benchCase, std::ostream* out) { *out << benchCase.name; }

const std::string kCloseCalls = "left4.mp3,820\r\ntightens.mp3,840\r\n";

class BenchTest : public testing::TestWithParam<BenchCase> {
protected:
    fs::path folder = fs::path(testing::TempDir()) / ("kerbcall-cli-bench-" + std::to_string(::getpid()));
    void SetUp() override {
        fs::create_directories(folder / "sounds");
        fs::copy_file(fs::path(KERBCALL_SOUND_PACK) / "left4.mp3", folder / "sounds" / "left4.mp3");
        std::ofstream(folder / "sounds" / "broken.mp3") << "not a sound";
        std::ofstream(folder / "lap.csv") << "0,0\n20,800\n22,1000\n";
        std::ofstream(folder / "bad.csv") << "0,0\n1,fast\n";
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string Expand(std::string text) const {
        for (const auto& [name, value] :
             {std::pair<std::string, std::string>{"$PACK", KERBCALL_SOUND_PACK}, {"$DIR", folder.string()}}) {
            for (std::size_t at; (at = text.find(name)) != std::string::npos;) {
                text.replace(at, name.size(), value);
            }
        }
        return text;
    }
};

TEST_P(BenchTest, SaysWhatTheDriverWillHear) {
    const BenchCase& bench = GetParam();
    std::ofstream(folder / "track.ini", std::ios::binary) << bench.noteFile;
    const CliResult run = RunCli("check '" + (folder / "track.ini").string() + "' " + Expand(bench.arguments));
    EXPECT_EQ(run.exitCode, bench.exitCode) << run.err;
    for (const std::string& expected : bench.said) {
        EXPECT_NE((run.out + run.err).find(Expand(expected)), std::string::npos) << "\"" << expected << "\" not in:\n"
                                                                                 << run.out << run.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BenchTest,
    testing::Values(
        BenchCase{"Utf8Mark",
                  "\xEF\xBB\xBFleft3.mp3,100\r\n",
                  "--sounds '$PACK'",
                  0,
                  {"UTF-8 byte-order mark", "is not in $PACK"}},
        BenchCase{"Utf16LittleEndianWithMark",
                  std::string("\xFF\xFEl\0"
                              "3\0,\0"
                              "1\0",
                              10),
                  "",
                  0,
                  {"UTF-16 (little-endian, with a byte-order mark)"}},
        BenchCase{"Utf16BigEndianWithoutMark",
                  std::string("\0l\0"
                              "3\0,\0"
                              "1\0"
                              "0",
                              10),
                  "",
                  0,
                  {"UTF-16 (big-endian, without a byte-order mark)"}},
        BenchCase{"CutOffInWords",
                  kCloseCalls,
                  "--sounds '$PACK' --speed 40",
                  0,
                  {"note 0 (left4.mp3) is cut off after 0.50 s of 0.71 s by note 1 at 40 units/s"}},
        BenchCase{"LapInWords",
                  kCloseCalls,
                  "--sounds '$PACK' --lap '$DIR/lap.csv'",
                  0,
                  {"note 0 (left4.mp3) is cut off after 0.20 s of 0.71 s by note 1 at 100 units/s"}},
        BenchCase{"MissingAndUndecodable",
                  "left4.mp3,100\r\nbroken.mp3,200\r\nnone.mp3,300\r\n",
                  "--sounds '$DIR/sounds' --json",
                  0,
                  {R"("broken.mp3":{"found":true,"duration":null,"leadingSilence":null})",
                   R"("none.mp3":{"found":false,"duration":null,"leadingSilence":null})",
                   "sound file \\\"broken.mp3\\\" cannot be decoded"}},
        BenchCase{"BadLapLine", kCloseCalls, "--sounds '$PACK' --lap '$DIR/bad.csv'", 1, {"bad.csv, line 2"}},
        BenchCase{"MissingLap", kCloseCalls, "--sounds '$PACK' --lap '$DIR/none.csv'", 1, {"cannot be read"}},
        BenchCase{"ZeroSpeed", kCloseCalls, "--sounds '$PACK' --speed 0", 1, {"--speed must be a number"}},
        BenchCase{"WordSpeed", kCloseCalls, "--sounds '$PACK' --speed fast", 1, {"--speed must be a number"}}),
    [](const testing::TestParamInfo<BenchCase>& testCase) { return std::string(testCase.param.name); });

// The drive in JSON, timed against the rule: a call fires at the first
// millisecond sample inside its window and is heard until the next call.
TEST_F(BenchTest, DriveInJson) {
    std::ofstream(folder / "track.ini", std::ios::binary) << kCloseCalls << "finish.mp3,5000\r\n";
    const CliResult run = RunCli("check '" + (folder / "track.ini").string() + "' --json --sounds '" +
                                 KERBCALL_SOUND_PACK + "' --speed 40 --start 10");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto report = nlohmann::json::parse(run.out);
    EXPECT_NEAR(report["sounds"]["left4.mp3"]["duration"].get<double>(), 0.71, 0.01);
    EXPECT_GE(report["sounds"]["left4.mp3"]["leadingSilence"].get<double>(), 0.0);
    const auto& calls = report["calls"];
    ASSERT_EQ(calls.size(), 3U) << run.out;
    EXPECT_NEAR(calls[0]["firesAt"].get<double>(), 800.0 / 40, 0.002);
    EXPECT_NEAR(calls[0]["heardFor"].get<double>(), 0.5, 0.002);
    EXPECT_EQ(calls[0]["cutOffBy"], 1);
    EXPECT_TRUE(calls[1]["cutOffBy"].is_null());
    EXPECT_NEAR(calls[1]["heardFor"].get<double>(), report["sounds"]["tightens.mp3"]["duration"].get<double>(), 0.002);
    EXPECT_EQ(report["neverFired"], nlohmann::json::array());
}

TEST_F(BenchTest, TimelineIsValidSvg) {
    std::ofstream(folder / "track.ini", std::ios::binary) << kCloseCalls << "A&B<é>.mp3,900\r\n";
    const fs::path svg = folder / "stage.svg";
    const CliResult run = RunCli("timeline '" + (folder / "track.ini").string() + "' --sounds '" + KERBCALL_SOUND_PACK +
                                 "' --speed 40 -o '" + svg.string() + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::ostringstream text;
    text << std::ifstream(svg).rdbuf();
    EXPECT_NE(text.str().find("left4.mp3 (cut by 1)"), std::string::npos);
    EXPECT_EQ(std::system(("xmllint --noout '" + svg.string() + "'").c_str()), 0);
}

}  // namespace
