#include "sound/sound_folders.h"
#include "tools/cli/sound/sound_check.h"

namespace kerbcall::cli {

// Without a way to find the program's own folder, the current folder's.
std::vector<std::string> ProgramSoundFolders() { return {kSoundFolderName}; }

}  // namespace kerbcall::cli
