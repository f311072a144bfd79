#pragma once

#include <functional>
#include <string>

#include <CLI/CLI.hpp>

namespace kerbcall::cli {

inline constexpr int kExitRejected = 1;
inline constexpr int kExitUsage = 2;

// kerbcall-cli's commands and their options. --help prints the usage on
// standard output, --version the program's version, both with exit status 0,
// on the tool and on each command; a wrong argument prints the usage on
// standard error with exit status kExitUsage.
class CommandLine {
public:
    CommandLine();

    // A command and what it does once its arguments are parsed: the exit
    // status. Options are added to the command returned.
    CLI::App& AddCommand(const std::string& name, const std::string& description, std::function<int()> action);

    int Run(int argc, const char* const* argv);

private:
    CLI::App app_;
    int exitCode_ = 0;
};

}  // namespace kerbcall::cli
