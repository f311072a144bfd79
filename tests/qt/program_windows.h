#pragma once
// The real program's windows under an X server, found and clicked through xdotool.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace kerbcall::testing {

// Client coordinates at 96 DPI: the chooser's first file, Start/Stop.
inline constexpr int kFirstFileX = 8 + 272 + 30;
inline constexpr int kFirstFileY = 8 + 8 + 9;
inline constexpr int kCommand2X = 224 + 40;
inline constexpr int kCommand2Y = 24 + 12;
inline constexpr char kChooserTitle[] = "^\\.TRK File Finder$";
inline constexpr char kMainWindowTitle[] = "^ZRL Zuda Vodaz v1\\.1$";

// Starts words[0], a path; standard input and output from the descriptors given.
inline pid_t StartProgram(const std::vector<std::string>& words, int input = -1, int output = -1) {
    std::vector<char*> argv;
    for (const std::string& word : words) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGINT, SIG_DFL);  // as from a terminal, though the test runs in the background
        if ((input < 0 || ::dup2(input, STDIN_FILENO) >= 0) && (output < 0 || ::dup2(output, STDOUT_FILENO) >= 0)) {
            ::execv(argv[0], argv.data());
        }
        ::_exit(127);
    }
    return child;
}

// The program's first visible window whose title matches; empty when none
// shows (within ten seconds where it is waited for).
inline std::string WindowOf(pid_t program, const char* title, bool wait = true) {
    const std::string search = std::string(wait ? "timeout 10 xdotool search --sync" : "xdotool search") +
                               " --all --onlyvisible --pid " + std::to_string(program) + " --name '" + title +
                               "' 2>/dev/null";
    std::string window;
    if (FILE* pipe = ::popen(search.c_str(), "r")) {
        for (int c = 0; (c = std::fgetc(pipe)) != EOF && c != '\n';) {
            window += static_cast<char>(c);
        }
        ::pclose(pipe);
    }
    return window;
}

inline bool Click(const std::string& window, int x, int y, int clicks) {
    const std::string command = "xdotool mousemove --window " + window + " " + std::to_string(x) + " " +
                                std::to_string(y) + " click --repeat " + std::to_string(clicks) + " --delay 60 1";
    return std::system(command.c_str()) == 0;
}

}  // namespace kerbcall::testing
