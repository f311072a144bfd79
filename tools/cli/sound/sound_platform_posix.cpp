#include "platform/posix/posix_files.h"
#include "platform/posix/program_folder.h"
#include "platform/posix/xdg_user_folders.h"
#include "tools/cli/sound/sound_check.h"

namespace kerbcall::cli {

SoundPlatform MakeSoundPlatform() {
    auto files = std::make_unique<posix::PosixFiles>();
    posix::XdgUserFolders userFolders;
    std::vector<std::string> folders = SoundFolders(*files, userFolders, posix::ProgramFolder()).Folders();
    return {std::move(files), std::move(folders)};
}

}  // namespace kerbcall::cli
