// kerbcall-cli's usage, version and wrong arguments, on the tool and on each
// command.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Usage {
    std::string arguments;
    int exitCode;
    std::string out;  // expected in standard output ("" when it must stay empty)
    std::string err;  // expected in standard error
};

std::string ReadAll(FILE* pipe) {
    std::string text;
    std::array<char, 4096> chunk{};
    for (std::size_t n; (n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0;) {
        text.append(chunk.data(), n);
    }
    return text;
}

TEST(CommandLine, HelpVersionAndWrongArguments) {
    const std::string version = std::string("kerbcall-cli ") + KERBCALL_VERSION + "\n";
    const std::vector<Usage> cases = {
        {"--version", 0, version, ""},
        {"check --version", 0, version, ""},
        {"probe --version", 0, version, ""},
        {"--help", 0, "replay", ""},
        {"check --help", 0, "--sounds", ""},
        {"replay --help", 0, "FILE", ""},
        {"check a.ini --color", 2, "", "--sounds"},
        {"replay", 2, "", "FILE"},
        {"", 2, "", "check"},
    };
    for (const Usage& usage : cases) {
        const std::string errFile = testing::TempDir() + "kerbcall-cli-usage-err";
        FILE* pipe = ::popen((std::string(KERBCALL_CLI) + " " + usage.arguments + " 2>" + errFile).c_str(), "r");
        const std::string out = ReadAll(pipe);
        const int status = ::pclose(pipe);
        FILE* errStream = std::fopen(errFile.c_str(), "r");
        const std::string err = ReadAll(errStream);
        std::fclose(errStream);
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, usage.exitCode) << usage.arguments;
        EXPECT_TRUE(usage.out.empty() ? out.empty() : out.find(usage.out) != std::string::npos)
            << usage.arguments << ": " << out;
        EXPECT_NE(err.find(usage.err), std::string::npos) << usage.arguments << ": " << err;
    }
}

}  // namespace
