#include "platform/win32/win32_platform.h"
#include "tools/cli/sound/sound_check.h"

namespace kerbcall::cli {

SoundPlatform MakeSoundPlatform() {
    auto files = std::make_unique<platform::win32::Win32Files>();
    platform::win32::Win32UserFolders userFolders;
    std::vector<std::string> folders =
        SoundFolders(*files, userFolders, platform::win32::Win32Program().Folder()).Folders();
    return {std::move(files), std::move(folders)};
}

}  // namespace kerbcall::cli
