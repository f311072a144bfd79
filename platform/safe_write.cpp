#include "platform/safe_write.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <random>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kerbcall::platform {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr int kCreateNew = _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY;
int FlushToDisk(int file) { return _commit(file); }
// Windows makes a rename lasting without a flush of the folder.
void FlushFolder(const fs::path& /*folder*/) {}
#else
constexpr int kCreateNew = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
int FlushToDisk(int file) { return ::fsync(file); }
// Makes the rename itself survive a power cut.
void FlushFolder(const fs::path& folder) {
    const int handle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle >= 0) {
        ::fsync(handle);
        ::close(handle);
    }
}
#endif

// Writes all of `bytes` and flushes them to disk; an error text or empty.
std::string WriteAndFlush(int file, std::string_view bytes, const fs::path& name) {
    while (!bytes.empty()) {
        const auto written = ::write(file, bytes.data(), static_cast<unsigned>(bytes.size()));
        if (written <= 0) {
            return SystemError("cannot write " + name.string());
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return FlushToDisk(file) == 0 ? std::string() : SystemError("cannot flush " + name.string());
}

}  // namespace

fs::path FolderOf(const fs::path& file) { return file.has_parent_path() ? file.parent_path() : fs::path("."); }

std::string BrokenLinkProblem(const fs::path& path) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error)) || fs::exists(path, error)) {
        return {};
    }
    return path.string() + " is a symbolic link to " + fs::read_symlink(path, error).string() +
           ", which does not exist";
}

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

std::string WriteBesideAndRename(const fs::path& out, std::string_view bytes) {
    std::error_code error;
    // Through a link, the file it leads to is replaced and the link kept.
    if (std::string problem = BrokenLinkProblem(out); !problem.empty()) {
        return problem;
    }
    const fs::path target = fs::exists(out, error) ? fs::canonical(out, error) : out;
    const fs::path folder = FolderOf(target);
    std::random_device random;
    fs::path temporary;
    int file = -1;
    for (int attempt = 0; attempt < 100 && file < 0; ++attempt) {
        // Short whatever the file's name: a name as long as the folder allows still gets one.
        temporary = folder / (".kerbcall-" + std::to_string(random()) + ".tmp");
        file = ::open(temporary.string().c_str(), kCreateNew, 0666);
        if (file < 0 && errno != EEXIST) {
            return SystemError("cannot create a file in " + folder.string());
        }
    }
    if (file < 0) {
        return "cannot create a file in " + folder.string();
    }
    std::string problem = WriteAndFlush(file, bytes, temporary);
    if (::close(file) != 0 && problem.empty()) {
        problem = SystemError("cannot write " + temporary.string());
    }
    if (problem.empty() && fs::exists(target, error)) {
        fs::permissions(temporary, fs::status(target, error).permissions(), error);
    }
    if (problem.empty()) {
        fs::rename(temporary, target, error);
        if (error) {
            problem = "cannot replace " + target.string() + ": " + error.message();
        }
    }
    if (!problem.empty()) {
        fs::remove(temporary, error);
        return problem;
    }
    FlushFolder(folder);
    return {};
}

std::string WriteIntoFolder(const fs::path& folder, std::string_view name, std::string_view bytes) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        return "cannot make " + folder.string() + ": " + error.message();
    }
    return WriteBesideAndRename(folder / name, bytes);
}

}  // namespace kerbcall::platform
