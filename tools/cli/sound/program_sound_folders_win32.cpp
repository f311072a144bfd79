#include "platform/win32/win32_platform.h"
#include "sound/sound_folders.h"
#include "tools/cli/sound/sound_check.h"

namespace kerbcall::cli {

// The program folder is the user's own on Windows.
std::vector<std::string> ProgramSoundFolders() {
    return {platform::win32::Win32Program().Folder() + "\\" + kSoundFolderName};
}

}  // namespace kerbcall::cli
