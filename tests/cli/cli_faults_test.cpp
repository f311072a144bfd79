// kerbcall-cli on the files and samples that once made it disagree with the
// program: each case runs the tool and looks for what it must say.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t k64MiB = std::uintmax_t{64} << 20;

struct CliCase {
    const char* name;
    std::string noteFile;
    std::uintmax_t paddedTo;  // when not 0, NUL bytes fill the file up to this size
    std::string arguments;    // before the file's name
    std::string samples;      // standard input
    int exitCode;
    std::string said;  // in standard output or standard error
};

class CliFaultsTest : public testing::TestWithParam<CliCase> {};

TEST_P(CliFaultsTest, SaysWhatTheProgramWouldDo) {
    const CliCase& cliCase = GetParam();
    const fs::path noteFile = fs::path(testing::TempDir()) / ("kerbcall-" + std::to_string(::getpid()) + ".ini");
    const fs::path samples = fs::path(noteFile).replace_extension("txt");
    std::ofstream(noteFile, std::ios::binary) << cliCase.noteFile;
    std::ofstream(samples, std::ios::binary) << cliCase.samples;
    fs::resize_file(noteFile, std::max<std::uintmax_t>(cliCase.paddedTo, cliCase.noteFile.size()));

    const std::string command = std::string("'") + KERBCALL_CLI + "' " + cliCase.arguments + " '" + noteFile.string() +
                                "' < '" + samples.string() + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string said;
    std::array<char, 4096> chunk{};
    for (std::size_t n; (n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0;) {
        said.append(chunk.data(), n);
    }
    const int status = ::pclose(pipe);
    fs::remove(noteFile);
    fs::remove(samples);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, cliCase.exitCode) << said;
    EXPECT_NE(said.find(cliCase.said), std::string::npos) << "\"" << cliCase.said << "\" not in:\n" << said;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliFaultsTest,
    testing::Values(
        // Short enough that its bytes lived inside the string object itself.
        CliCase{"TinyFile", "[Track]\r\n5\r\n", 0, "check", "", 0, "looks like a heading"},
        CliCase{"OutOfRange", "a.mp3,5\r\n", 0, "replay --json", "1e39\n-1e39\n3.5e38\n1e-50\n", 0, "[{\"pass\":4,"},
        CliCase{"TooLarge", "", k64MiB + 1, "check", "", 1, "64 MiB"},
        CliCase{"LargestRead", "", k64MiB, "check", "", 0, "0\t0\t\n"},
        CliCase{"Utf8Name", "\xC3\xA9pingle.mp3,1\r\n", 0, "check --json", "", 0, "\"\xC3\xA9pingle.mp3\""},
        CliCase{"Windows1252Name", "\x80\xE9.mp3,1\r\n", 0, "replay --json", "1\n", 0, "\"\xE2\x82\xAC\xC3\xA9.mp3\""},
        CliCase{"EveryOverlappingPair", "a.mp3,110\r\nb.mp3,100\r\nc.mp3,105\r\n", 0, "check", "", 0,
                "(note 0) and line 2 (note 1): trigger windows overlap (110 and 100): both are called, driving on: "
                "the note at 100 first, the note at 110 10 units later, cutting off what still plays"}),
    [](const testing::TestParamInfo<CliCase>& testCase) { return std::string(testCase.param.name); });

}  // namespace
