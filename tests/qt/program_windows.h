#pragma once
// The real program's windows under an X server, found and clicked through xdotool.
#include <sys/types.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace kerbcall::testing {

// Client coordinates at 96 DPI: the chooser's first file, Start/Stop.
inline constexpr int kFirstFileX = 8 + 272 + 30;
inline constexpr int kFirstFileY = 8 + 8 + 9;
inline constexpr int kCommand2X = 224 + 40;
inline constexpr int kCommand2Y = 24 + 12;
inline constexpr char kChooserTitle[] = "^\\.TRK File Finder$";
inline constexpr char kMainWindowTitle[] = "^ZRL Zuda Vodaz v1\\.1$";

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
