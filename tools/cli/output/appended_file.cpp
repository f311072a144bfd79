#include "tools/cli/output/appended_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <utility>

#include "tools/cli/output/output_rule.h"

namespace kerbcall::cli {

AppendedFile::AppendedFile(std::filesystem::path path, std::string lineEnd, bool replace)
    : path_(std::move(path)), lineEnd_(std::move(lineEnd)), replace_(replace) {}

AppendedFile::~AppendedFile() {
    if (file_ >= 0) {
        ::close(file_);
    }
}

std::string AppendedFile::WriteProblem() const {
    std::error_code error;
    if (std::filesystem::exists(path_, error) && !replace_) {
        return ::access(path_.c_str(), W_OK) == 0 ? std::string() : SystemError("cannot write " + path_.string());
    }
    const std::filesystem::path folder = platform::FolderOf(path_);
    return ::access(folder.c_str(), W_OK | X_OK) == 0 ? std::string()
                                                      : SystemError("cannot write in " + folder.string());
}

std::string AppendedFile::Append(const std::string& line, bool toDisk) {
    if (file_ < 0) {
        std::error_code error;
        if (replace_ || !std::filesystem::exists(path_, error)) {
            if (std::string problem = WriteBesideAndRename(path_, line + lineEnd_); !problem.empty()) {
                return problem;
            }
            made_ = true;
            replace_ = false;
            lengthsBefore_.push_back(0);
            return Open();
        }
        if (std::string problem = Open(); !problem.empty()) {
            return problem;
        }
    }
    const off_t before = ::lseek(file_, 0, SEEK_END);
    const std::string text = (EndsWithLineEnd(before) ? "" : lineEnd_) + line + lineEnd_;
    if (before < 0 || ::write(file_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        std::string problem = SystemError("cannot write " + path_.string());
        static_cast<void>(::ftruncate(file_, before));
        return problem;
    }
    lengthsBefore_.push_back(before);
    return toDisk ? Flush() : std::string();
}

bool AppendedFile::RemoveLast(std::string& problem) {
    if (lengthsBefore_.empty()) {
        return false;
    }
    const off_t length = lengthsBefore_.back();
    lengthsBefore_.pop_back();
    if (length == 0 && made_) {
        // Back to nothing: the file this run made goes.
        ::close(std::exchange(file_, -1));
        if (::unlink(path_.c_str()) != 0) {
            problem = SystemError("cannot remove " + path_.string());
        }
        return true;
    }
    if (::ftruncate(file_, length) != 0 || ::fsync(file_) != 0) {
        problem = SystemError("cannot shorten " + path_.string());
    }
    return true;
}

std::string AppendedFile::Flush() {
    return file_ < 0 || ::fsync(file_) == 0 ? std::string() : SystemError("cannot flush " + path_.string());
}

std::string AppendedFile::Open() {
    file_ = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
    return file_ < 0 ? SystemError("cannot open " + path_.string()) : std::string();
}

// A last line without its end would run on into the new line.
bool AppendedFile::EndsWithLineEnd(off_t length) const {
    char last = '\n';
    return length <= 0 || (::pread(file_, &last, 1, length - 1) == 1 && (last == '\r' || last == '\n'));
}

}  // namespace kerbcall::cli
