#include "tools/cli/output/output_rule.h"

namespace kerbcall::cli {

namespace fs = std::filesystem;

namespace {

// One file under two names: the same file where both exist, the same place
// where one does not yet.
bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    if (fs::exists(a, error) && fs::exists(b, error)) {
        return fs::equivalent(a, b, error);
    }
    return fs::weakly_canonical(fs::absolute(a, error), error) == fs::weakly_canonical(fs::absolute(b, error), error);
}

}  // namespace

std::string OutputProblem(const fs::path& out, const fs::path& rewritten, std::initializer_list<fs::path> inputs,
                          const OutputRules& rules) {
    std::error_code error;
    if (std::string problem = platform::BrokenLinkProblem(out); !problem.empty()) {
        return problem;
    }
    const fs::path folder = platform::FolderOf(fs::exists(out, error) ? fs::canonical(out, error) : out);
    if (!fs::is_directory(folder, error)) {
        return "the folder " + folder.string() + " does not exist";
    }
    const fs::file_status status = fs::status(out, error);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        return out.string() + " exists and is not a file";
    }
    if (!rewritten.empty() && SameFile(out, rewritten)) {
        return rules.inPlace ? std::string() : out.string() + " is the file read; give --in-place to replace it";
    }
    for (const fs::path& input : inputs) {
        if (!input.empty() && SameFile(out, input)) {
            return out.string() + " is also a file this command reads" +
                   (out == input ? std::string() : " (" + input.string() + ")") + "; give another OUT";
        }
    }
    if (!fs::exists(status) || rules.append) {
        return {};
    }
    return rules.force ? std::string() : out.string() + " exists; give --force to replace it";
}

}  // namespace kerbcall::cli
