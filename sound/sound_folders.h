#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/user_folders.h"

namespace kerbcall {

inline constexpr char kSoundFolderName[] = "Zuda Vodaz Sounds";

// Where sounds are taken from: the user's own sound folder first, where the
// platform has one, then the program folder's. A sound found in neither is
// taken from the program folder's, where it is missing.
class SoundFolders {
public:
    // The program folder's alone.
    explicit SoundFolders(const std::string& programFolder);
    SoundFolders(platform::Files& files, platform::UserFolders& userFolders, const std::string& programFolder);
    // `folders` as they are, in the order they are looked in.
    SoundFolders(platform::Files& files, std::vector<std::string> folders);

    // In the order they are looked in, each without a separator at its end.
    const std::vector<std::string>& Folders() const { return folders_; }
    // The folder `soundFile` is taken from.
    const std::string& FolderOf(std::string_view soundFile) const;
    // The path `soundFile` is opened by: its folder, "\", the name.
    std::string PathOf(std::string_view soundFile) const;

private:
    platform::Files* files_ = nullptr;
    std::vector<std::string> folders_;
};

}  // namespace kerbcall
