#pragma once

#include <string>
#include <string_view>

namespace kerbcall::faults {

// A fresh folder under the temporary folder, removed with all it holds at the end. Mode 0755, so
// that a test that gives up root still reaches its files.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string PathOf(std::string_view name) const { return path_ + "/" + std::string(name); }
    void Write(std::string_view name, std::string_view bytes) const;  // makes the folders on the way
    std::string Read(std::string_view name) const;                    // empty when there is none

private:
    std::string path_;
};

// A file's bytes; empty when there is none.
std::string ReadFile(const std::string& path);

// Gives up root for user nobody, so that file permissions apply; for a child process: no way back.
bool DropRootPrivileges();

}  // namespace kerbcall::faults
