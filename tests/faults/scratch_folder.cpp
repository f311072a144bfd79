#include "tests/faults/scratch_folder.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace kerbcall::faults {

namespace fs = std::filesystem;

namespace {
constexpr uid_t kNobody = 65534;
}

ScratchFolder::ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "kerbcall-faults-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
        throw std::runtime_error("cannot make a scratch folder in " + fs::temp_directory_path().string());
    }
    path_ = buffer.data();
    fs::permissions(path_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    // Tests take permissions away; give them back so that everything goes.
    for (const auto& entry : fs::recursive_directory_iterator(path_, ignored)) {
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(path_, ignored);
}

std::string ScratchFolder::PathOf(std::string_view name) const { return path_ + "/" + std::string(name); }

void ScratchFolder::Write(std::string_view name, std::string_view bytes) const {
    const fs::path file = PathOf(name);
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

std::string ScratchFolder::Read(std::string_view name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool DropRootPrivileges() {
    if (::geteuid() != 0) {
        return true;
    }
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
}

}  // namespace kerbcall::faults
