#include "tests/faults/scratch_folder.h"

#include <grp.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kerbcall::faults {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() : path_((fs::temp_directory_path() / "kerbcall-faults-XXXXXX").string()) {
    if (::mkdtemp(path_.data()) == nullptr) {
        throw std::runtime_error("cannot make a scratch folder in " + fs::temp_directory_path().string());
    }
    fs::permissions(path_, static_cast<fs::perms>(0755));
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void ScratchFolder::Write(std::string_view name, std::string_view bytes) const {
    const fs::path file = PathOf(name);
    fs::create_directories(file.parent_path());
    if (!(std::ofstream(file, std::ios::binary) << bytes)) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

std::string ScratchFolder::Read(std::string_view name) const { return ReadFile(PathOf(name)); }

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool DropRootPrivileges() {
    constexpr uid_t kNobody = 65534;
    return ::geteuid() != 0 || (::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0);
}

}  // namespace kerbcall::faults
