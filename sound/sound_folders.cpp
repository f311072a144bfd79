#include "sound/sound_folders.h"

#include <utility>

namespace kerbcall {

namespace {
// The program folder is joined as it stands, whatever it ends in.
std::string SoundFolderIn(const std::string& folder) { return folder + "\\" + kSoundFolderName; }
}  // namespace

SoundFolders::SoundFolders(const std::string& programFolder) : folders_{SoundFolderIn(programFolder)} {}

SoundFolders::SoundFolders(platform::Files& files, platform::UserFolders& userFolders, const std::string& programFolder)
    : files_(&files) {
    if (const std::string own = userFolders.DataFolder(); !own.empty()) {
        folders_.push_back(SoundFolderIn(own));
    }
    folders_.push_back(SoundFolderIn(programFolder));
}

SoundFolders::SoundFolders(platform::Files& files, std::vector<std::string> folders)
    : files_(&files), folders_(std::move(folders)) {}

const std::string& SoundFolders::FolderOf(std::string_view soundFile) const {
    for (std::size_t i = 0; i + 1 < folders_.size(); ++i) {
        if (files_->FileExists(folders_[i] + "\\" + std::string(soundFile))) {
            return folders_[i];
        }
    }
    return folders_.back();
}

std::string SoundFolders::PathOf(std::string_view soundFile) const {
    std::string path = FolderOf(soundFile);
    path += '\\';
    path += soundFile;
    return path;
}

}  // namespace kerbcall
