#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

// kerbcall-cli run as a process, as its users run it.
struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// `arguments` are passed through the shell, already quoted.
inline CliResult RunCli(const std::string& arguments) {
    const std::string errFile = testing::TempDir() + "kerbcall-cli-stderr-" + std::to_string(::getpid());
    FILE* pipe = ::popen((std::string("'") + KERBCALL_CLI + "' " + arguments + " 2>'" + errFile + "'").c_str(), "r");
    CliResult result;
    std::array<char, 4096> chunk{};
    for (std::size_t n; (n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0;) {
        result.out.append(chunk.data(), n);
    }
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ostringstream err;
    err << std::ifstream(errFile).rdbuf();
    result.err = err.str();
    std::remove(errFile.c_str());
    return result;
}
