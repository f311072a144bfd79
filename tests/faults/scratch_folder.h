#pragma once

#include <string>
#include <string_view>

namespace kerbcall::faults {

// A fresh folder under the system's temporary folder, removed with all it
// holds when the test ends. Others may look into it (mode 0755), so that a
// test that gives up root can still reach its files.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string PathOf(std::string_view name) const { return path_ + "/" + std::string(name); }
    // Writes `bytes` to the file `name`, making the folders on the way.
    void Write(std::string_view name, std::string_view bytes) const;
    // The file's bytes as they are now; empty when there is none.
    std::string Read(std::string_view name) const;

private:
    std::string path_;
};

// Gives up root for user nobody, so that file permissions apply; does nothing
// for an ordinary user. For a test's child process only: there is no way back.
bool DropRootPrivileges();

}  // namespace kerbcall::faults
