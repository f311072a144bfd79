#include "platform/posix/program_folder.h"
#include "platform/posix/xdg_user_folders.h"
#include "sound/sound_folders.h"
#include "tools/cli/sound/sound_check.h"

namespace kerbcall::cli {

std::vector<std::string> ProgramSoundFolders() {
    std::vector<std::string> folders;
    if (const std::string own = posix::XdgUserFolders().DataFolder(); !own.empty()) {
        folders.push_back(own + "/" + kSoundFolderName);
    }
    folders.push_back(posix::ProgramFolder() + "/" + kSoundFolderName);
    return folders;
}

}  // namespace kerbcall::cli
