// kerbcall-cli's usage, version and wrong arguments, on the tool and on each
// command.
#include <string>
#include <vector>

#include "tests/cli/cli_process.h"

namespace {

struct Usage {
    std::string arguments;
    int exitCode;
    std::string out;  // expected in standard output ("" when it must stay empty)
    std::string err;  // expected in standard error
};

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
        {"check a.ini --speed 40", 2, "", "--sounds"},
        {"timeline a.ini --sounds s -o t.svg", 2, "", "--speed or --lap"},
    };
    for (const Usage& usage : cases) {
        const CliResult run = RunCli(usage.arguments);
        EXPECT_EQ(run.exitCode, usage.exitCode) << usage.arguments;
        EXPECT_TRUE(usage.out.empty() ? run.out.empty() : run.out.find(usage.out) != std::string::npos)
            << usage.arguments << ": " << run.out;
        EXPECT_NE(run.err.find(usage.err), std::string::npos) << usage.arguments << ": " << run.err;
    }
}

}  // namespace
