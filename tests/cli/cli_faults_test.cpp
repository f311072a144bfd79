// kerbcall-cli on the files and samples that once made it disagree with the
// program: each case runs the tool and looks for what it must say.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kLargestNoteFile = std::uintmax_t{64} << 20;

struct CliCase {
    const char* name;
    std::string noteFile;     // its bytes
    std::uintmax_t paddedTo;  // when not 0, NUL bytes fill the file up to this size
    std::string arguments;    // the file's name follows them
    std::string samples;      // standard input
    int exitCode;
    std::vector<std::string> said;  // each in standard output or standard error
};

void PrintTo(const CliCase& cliCase, std::ostream* out) { *out << cliCase.name; }

class CliFaultsTest : public testing::TestWithParam<CliCase> {
protected:
    fs::path folder = fs::path(testing::TempDir()) / ("kerbcall-cli-faults-" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(folder); }
    void TearDown() override { fs::remove_all(folder); }
};

TEST_P(CliFaultsTest, SaysWhatTheProgramWouldDo) {
    const CliCase& cliCase = GetParam();
    const fs::path noteFile = folder / "track.ini";
    const fs::path samples = folder / "samples.txt";
    std::ofstream(noteFile, std::ios::binary) << cliCase.noteFile;
    if (cliCase.paddedTo != 0) {
        fs::resize_file(noteFile, cliCase.paddedTo);
    }
    std::ofstream(samples, std::ios::binary) << cliCase.samples;

    const std::string command = std::string("'") + KERBCALL_CLI + "' " + cliCase.arguments + " '" + noteFile.string() +
                                "' < '" + samples.string() + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string said;
    std::array<char, 4096> chunk{};
    for (std::size_t n; (n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0;) {
        said.append(chunk.data(), n);
    }
    const int status = ::pclose(pipe);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, cliCase.exitCode) << said;
    for (const std::string& expected : cliCase.said) {
        EXPECT_NE(said.find(expected), std::string::npos) << "\"" << expected << "\" not in:\n" << said;
    }
}

constexpr char kDamaged[] = "There is an unknown error in the ZRL Kerbcall.ini file";

INSTANTIATE_TEST_SUITE_P(
    Cases, CliFaultsTest,
    testing::Values(
        // Short enough that its bytes lived inside the string object itself.
        CliCase{"TinyFile", "[Track]\r\n5\r\n", 0, "check", "", 0, {"looks like a heading"}},
        CliCase{"OutOfRangeSamplesAreInfinities",
                "near.mp3,5\r\n",
                0,
                "replay --json",
                "1e39\n-1e39\n3.5e38\n1e-50\n",
                0,
                {R"({"fired":[{"pass":4,"note":0,"soundFile":"near.mp3"}]})"}},
        CliCase{"LargerThanTheProgramReads", "", kLargestNoteFile + 1, "check", "", 1, {kDamaged, "64 MiB"}},
        CliCase{"AsLargeAsTheProgramReads", "", kLargestNoteFile, "check", "", 0, {"0\t0\t\n"}},
        CliCase{"Utf8Name",
                "\xC3\xA9pingle.mp3,100\r\n",
                0,
                "check --json",
                "",
                0,
                {"{\"soundFile\":\"\xC3\xA9pingle.mp3\""}},
        CliCase{"Windows1252Name",
                "\x80uro\xE9.mp3,100\r\n",
                0,
                "replay --json",
                "100\n",
                0,
                {"\"soundFile\":\"\xE2\x82\xACuro\xC3\xA9.mp3\""}},
        CliCase{"EveryOverlappingPair",
                "a.mp3,110\r\nb.mp3,100\r\nc.mp3,105\r\nd.mp3,200\r\ne.mp3,200\r\n",
                0,
                "check",
                "",
                0,
                {"(note 0) and line 2 (note 1): trigger windows overlap (110 and 100): both are called, driving on: "
                 "the note at 100 first, the note at 110 10 units later, cutting off what still plays",
                 "overlap (110 and 105)", "overlap (100 and 105)",
                 "overlap (200 and 200): both are called, at once: note 3 first, note 4 on a later pass"}}),
    [](const testing::TestParamInfo<CliCase>& testCase) { return std::string(testCase.param.name); });

}  // namespace
