#include "tools/cli/output/output_rule.h"

namespace kerbcall::cli {

namespace fs = std::filesystem;

std::string OutputProblem(const fs::path& out, const fs::path& input, const OutputRules& rules) {
    std::error_code error;
    const fs::path folder = platform::FolderOf(out);
    if (!fs::is_directory(folder, error)) {
        return "the folder " + folder.string() + " does not exist";
    }
    const fs::file_status status = fs::status(out, error);
    if (!fs::exists(status)) {
        return {};
    }
    if (!fs::is_regular_file(status)) {
        return out.string() + " exists and is not a file";
    }
    if (!input.empty() && fs::equivalent(out, input, error)) {
        return rules.inPlace ? std::string() : out.string() + " is the file read; give --in-place to replace it";
    }
    return rules.force ? std::string() : out.string() + " exists; give --force to replace it";
}

}  // namespace kerbcall::cli
