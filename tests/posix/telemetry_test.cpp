// kerbcall-cli probe against the rally titles' stand-ins, through real sockets, with and without a flood of
// spoiled packets on the same port.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "tests/faults/scratch_folder.h"
#include "tests/posix/sim_process.h"

namespace kerbcall::posix {
namespace {

// What the command printed on standard output, and its exit status.
std::pair<std::string, int> RunShell(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    char block[4096];
    for (std::size_t got = 0; (got = std::fread(block, 1, sizeof block, pipe)) > 0;) {
        output.append(block, got);
    }
    const int status = ::pclose(pipe);
    return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

struct ProbeCase {
    std::string title;     // the stand-in's
    std::string settings;  // kerbcall.ini; <port> and <folder> stand for the test's
    bool spoiled;          // packets spoiled every way come beside the good ones
    std::string args;      // probe's
    int exitCode;
    std::vector<std::string> said;  // each in the output; <pid> and <port> stand for the stand-in's
};

TEST(Telemetry, ProbeSaysEachTitlesProcessPortAndDistanceWhateverElseComesOnItsPort) {
    const std::string dr2 = "[dr2]\nport=<port>\n";
    const std::string wrc = "[wrc]\r\nstructure = <folder>/wrc ; the port comes from its config.json\r\n";
    const std::string samples = R"("samples":[1234.5,1234.5,1234.5,1234.5,1234.5,1234.5])";
    const ProbeCase cases[] = {
        {"dr2",
         dr2,
         false,
         "--json",
         0,
         {R"("name":"dirtrally2.exe","pid":<pid>,"index":14,"title":"DiRT Rally 2.0")", R"("port":<port>,)", samples,
          R"("settings":[]})"}},
        {"dr2", dr2, true, "--json", 0, {samples}},
        {"wrc",
         wrc,
         false,
         "",
         0,
         {"game: WRC.exe (pid <pid>, index 15)\ntitle: EA SPORTS WRC, UDP telemetry on "
          "127.0.0.1 port <port>\nstructure folder: <folder>/wrc\n",
          "distance samples: 1234.5 1234.5 1234.5 1234.5 1234.5 1234.5\n"}},
        {"wrc", wrc, true, "--json", 0, {R"("name":"WRC.exe","pid":<pid>,)", samples}},
        // A bad line skips its title, and is said; so is a structure folder that holds no structure.
        {"dr2", "[dr2]\nport=<port>\nport=0\n", false, "", 1, {"kerbcall.ini line 3: ", "no process named"}},
        {"wrc", "[wrc]\nstructure=<folder>\n", false, "--json", 1, {R"("reason":"<folder>/readme/channels.json: )"}},
    };
    for (const ProbeCase& c : cases) {
        SCOPED_TRACE(c.title + " " + c.settings);
        const faults::ScratchFolder folder;
        const std::string port = std::to_string(testing::FreeUdpPort());
        const auto fill = [&](std::string text, const std::string& pid) {
            for (const auto& [name, value] : {std::pair{"<port>", port}, {"<folder>", folder.path()}, {"<pid>", pid}}) {
                for (std::size_t at = 0; (at = text.find(name, at)) != std::string::npos; at += value.size()) {
                    text.replace(at, std::string_view(name).size(), value);
                }
            }
            return text;
        };
        folder.Write("kerbcall/kerbcall.ini", fill(c.settings, ""));
        folder.Write("hold.csv", "0,1234.5\n");
        std::vector<std::string> args{"--udp", c.title, "--port", port, "--replay", folder.PathOf("hold.csv"),
                                      "--hold"};
        if (c.title == "wrc") {
            args.insert(args.end(), {"--structure", folder.PathOf("wrc")});
        }
        if (c.spoiled) {
            args.insert(args.end(), {"--spoiled", "999"});
        }
        const testing::SimProcess sim(args);
        const auto [output, exitCode] = RunShell("XDG_CONFIG_HOME='" + folder.path() + "' " +
                                                 std::string(KERBCALL_CLI_PATH) + " probe " + c.args + " 2>&1");
        EXPECT_EQ(exitCode, c.exitCode) << output;
        EXPECT_TRUE(!c.spoiled || output.find(R"("malformed":0,)") == std::string::npos) << output;
        for (const std::string& said : c.said) {
            EXPECT_NE(output.find(fill(said, std::to_string(sim.pid()))), std::string::npos) << said << "\n" << output;
        }
    }
}

}  // namespace
}  // namespace kerbcall::posix
