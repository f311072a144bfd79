// kerbcall-cli run as a process, as note authors run it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct CliRun {
    int exitCode;
    std::string out;
};

class CliTest : public ::testing::Test {
protected:
    fs::path folder = fs::temp_directory_path() / ("kerbcall-cli-test-" + std::to_string(::getpid()));

    void SetUp() override { fs::create_directories(folder); }
    void TearDown() override { fs::remove_all(folder); }

    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(folder / name, std::ios::binary) << bytes;
        return (folder / name).string();
    }

    // Runs the tool with the given arguments (already quoted), standard
    // error dropped, and returns its exit code and standard output.
    static CliRun Cli(const std::string& arguments) {
        const std::string command = std::string("'") + KERBCALL_CLI + "' " + arguments + " 2>/dev/null";
        FILE* pipe = ::popen(command.c_str(), "r");
        std::string out;
        std::array<char, 4096> chunk{};
        for (std::size_t n; (n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0;) {
            out.append(chunk.data(), n);
        }
        const int status = ::pclose(pipe);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
    }
};

TEST_F(CliTest, CheckJsonCarriesNotesAndWarnings) {
    fs::create_directories(folder / "sounds");
    Write("sounds/LEFT3.MP3", "x");
    const std::string file = Write("a.ini", "; c\r\n[ T ]\r\nleft3.mp3,100\r\nright\xE9.mp3,110\r\n[Heading]\r\n");
    EXPECT_EQ(Cli("check '" + file + "'").out, "0\t100\tleft3.mp3\n1\t110\tright\xE9.mp3\n2\t0\t\n");
    const CliRun run = Cli("check '" + file + "' --json --sounds '" + (folder / "sounds").string() + "'");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.rfind(R"({"lastNoteIndex":2,"notes":[{"soundFile":"left3.mp3","triggerDistance":100},)"
                            "{\"soundFile\":\"right\xC3\xA9.mp3\",\"triggerDistance\":110},",
                            0),
              0U)
        << run.out;
    for (const char* warning : {"looks like a heading", "trigger windows overlap (100 and 110)",
                                "sound file \\\"right\xC3\xA9.mp3\\\" is not in"}) {
        EXPECT_NE(run.out.find(warning), std::string::npos) << warning << " in " << run.out;
    }
    EXPECT_EQ(run.out.find("left3.mp3\\\" is not in"), std::string::npos) << "found in another letter case";
}

TEST_F(CliTest, FilesTheProgramRejectsGiveItsMessage) {
    fs::create_directories(folder / "Folder.ini");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {Write("empty.ini", ""), "There is an unknown error in the ZRL Kerbcall.ini file"},
        {Write("far.ini", "a,3000000000"), "There is an unknown error in the ZRL Kerbcall.ini file"},
        {(folder / "Folder.ini").string(), "There is an unknown error in the ZRL Kerbcall.ini file"},
        {(folder / "missing.ini").string(), "Could not find the ZRL Kerbcall.ini File"},
    };
    for (const auto& [file, message] : cases) {
        const CliRun plain = Cli("check '" + file + "'");
        EXPECT_EQ(plain.exitCode, 1) << file;
        EXPECT_EQ(plain.out, message + "\n") << file;
        const CliRun json = Cli("check '" + file + "' --json");
        EXPECT_EQ(json.out, "{\"error\":\"" + message + "\"}\n") << file;
    }
}

TEST_F(CliTest, ReplayFiresNotesPassByPass) {
    const std::string file = Write("s.ini", "first.mp3,100\r\nsecond.mp3,500\r\n");
    Write("samples.txt", "0\n95\n300\n495\n600\n95\r\n");
    const std::string samples = " < '" + (folder / "samples.txt").string() + "'";
    EXPECT_EQ(Cli("replay '" + file + "'" + samples).out, "2\t0\tfirst.mp3\n4\t1\tsecond.mp3\n6\t0\tfirst.mp3\n");
    Write("bad.txt", "100\nfast\n");
    EXPECT_EQ(Cli("replay '" + file + "' < '" + (folder / "bad.txt").string() + "'").exitCode, 1);
    for (const std::string arguments : {"", "check", "frobnicate", "check a.ini --color", "replay --json"}) {
        EXPECT_EQ(Cli(arguments).exitCode, 2) << arguments;
    }
    EXPECT_EQ(Cli("replay '" + file + "' --json" + samples).out,
              R"({"fired":[{"pass":2,"note":0,"soundFile":"first.mp3"},{"pass":4,"note":1,"soundFile":"second.mp3"},)"
              R"({"pass":6,"note":0,"soundFile":"first.mp3"}]})"
              "\n");
}

}  // namespace
