#include "tools/cli/command_line.h"

#include <iostream>
#include <string>

#include "kerbcall/version.h"

namespace kerbcall::cli {

namespace {

void AddVersionFlag(CLI::App& app) {
    app.set_version_flag("--version", std::string("kerbcall-cli ") + kVersion, "Print the version and exit");
}

}  // namespace

CommandLine::CommandLine()
    : app_("Checks Kerbcall note files and replays distances through the program's own reading and pass decision",
           "kerbcall-cli") {
    // A note file's path may begin with "/" on Windows too.
    app_.allow_windows_style_options(false);
    app_.require_subcommand(1);
    AddVersionFlag(app_);
}

CLI::App& CommandLine::AddCommand(const std::string& name, const std::string& description,
                                  std::function<int()> action) {
    CLI::App& command = *app_.add_subcommand(name, description);
    command.callback([this, action = std::move(action)] { exitCode_ = action(); });
    return command;
}

int CommandLine::Run(int argc, const char* const* argv) {
    for (CLI::App* command : app_.get_subcommands({})) {
        AddVersionFlag(*command);
    }
    try {
        app_.parse(argc, argv);
    } catch (const CLI::Success& done) {
        return app_.exit(done);
    } catch (const CLI::ParseError& wrong) {
        // The usage of the command given, or of the tool.
        std::cerr << wrong.what() << '\n' << app_.help();
        return kExitUsage;
    }
    return exitCode_;
}

}  // namespace kerbcall::cli
