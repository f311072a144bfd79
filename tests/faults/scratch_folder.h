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
    // The full path of `name` inside the folder.
    std::string PathOf(std::string_view name) const;
    // Writes `bytes` to the file `name` (folders on the way are made).
    void Write(std::string_view name, std::string_view bytes) const;
    // The file's bytes as they are now.
    std::string Read(std::string_view name) const;

private:
    std::string path_;
};

// Gives up root for an ordinary user, so that file permissions apply to the
// calling process; does nothing for an ordinary user. Only for a test's
// child process: there is no way back.
bool DropRootPrivileges();

}  // namespace kerbcall::faults
