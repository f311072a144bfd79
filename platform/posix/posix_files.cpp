#include "platform/posix/posix_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cstdint>

#include "platform/ascii_case.h"
#include "platform/path_lookup.h"
#include "platform/posix/descriptor_reading.h"

namespace kerbcall::posix {

namespace {

bool EndsInSeparator(std::string_view path) { return !path.empty() && (path.back() == '\\' || path.back() == '/'); }

// True when `name` matches `pattern` as the Windows file search matches
// names: "*" stands for any run of characters, "?" for any one, letters match
// in either case, and every other character ("[" too) only itself.
bool MatchesWildcards(std::string_view pattern, std::string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star = std::string_view::npos;  // the last "*" seen, and
    std::size_t starName = 0;                   // where in the name it stands
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            starName = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || platform::AsciiLower(pattern[p]) == platform::AsciiLower(name[n]))) {
            ++p;
            ++n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

// The entries of the folder whose names match the wildcards, byte for byte
// as the file system keeps them; with `filesOnly`, only files and links to
// files.
std::vector<std::string> EntriesMatching(const std::string& folder, std::string_view pattern, bool filesOnly) {
    std::vector<std::string> names;
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) {
        return names;
    }
    while (const dirent* item = ::readdir(listing)) {
        const std::string_view name = item->d_name;
        struct stat info {};
        if (name != "." && name != ".." && MatchesWildcards(pattern, name) &&
            (!filesOnly || (::fstatat(::dirfd(listing), item->d_name, &info, 0) == 0 && S_ISREG(info.st_mode)))) {
            names.emplace_back(name);
        }
    }
    ::closedir(listing);
    return names;
}

}  // namespace

bool PosixFiles::FileExists(std::string_view sSource) {
    if (sSource.empty() || EndsInSeparator(sSource)) {
        return false;
    }
    // A name as Linux keeps it may hold "*", "?" and "\" and still be found as written.
    if (platform::LookUpPath(sSource)) {
        return true;
    }
    const std::size_t separator = sSource.find_last_of("/\\");
    const std::string_view last = separator == std::string_view::npos ? sSource : sSource.substr(separator + 1);
    if (last.find_first_of("*?") == std::string_view::npos) {
        return false;
    }
    const std::string_view parent = separator == std::string_view::npos ? "." : sSource.substr(0, separator + 1);
    const std::optional<std::string> folder = platform::LookUpPath(parent);
    return folder && !EntriesMatching(*folder, last, false).empty();
}

std::optional<std::string> PosixFiles::ReadWholeFile(std::string_view path) {
    const std::optional<std::string> found = platform::LookUpPath(path);
    if (!found) {
        return std::nullopt;
    }
    // Without O_NONBLOCK, opening a pipe waits for its writer.
    const int fd = ::open(found->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::optional<std::string> bytes = ReadToEnd(fd, kLargestFile + 1);
    ::close(fd);
    if (bytes && bytes->size() > kLargestFile) {
        return std::nullopt;
    }
    return bytes;
}

bool PosixFiles::IsSpecialOrTooLarge(std::string_view path) {
    const std::optional<std::string> found = platform::LookUpPath(path);
    struct stat info {};
    struct statfs system {};
    // /proc's and /sys's files say 0 bytes whatever they read (pagemap: gigabytes).
    return found && ::stat(found->c_str(), &info) == 0 &&
           (!S_ISREG(info.st_mode) || static_cast<std::uint64_t>(info.st_size) > kLargestFile ||
            ::statfs(found->c_str(), &system) != 0 || system.f_type == PROC_SUPER_MAGIC ||
            system.f_type == SYSFS_MAGIC);
}

std::vector<std::string> FilesMatching(const std::string& folder, std::string_view pattern) {
    return EntriesMatching(folder, pattern, true);
}

}  // namespace kerbcall::posix
