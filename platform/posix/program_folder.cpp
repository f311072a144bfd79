#include "platform/posix/program_folder.h"

#include <unistd.h>

#include <vector>

namespace kerbcall::posix {

std::string ProgramFolder() {
    std::vector<char> target(256);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", target.data(), target.size());
        if (length < 0) {
            return ".";
        }
        if (static_cast<std::size_t>(length) < target.size()) {
            const std::string path(target.data(), static_cast<std::size_t>(length));
            return path.substr(0, path.rfind('/'));
        }
        target.resize(target.size() * 2);
    }
}

}  // namespace kerbcall::posix
