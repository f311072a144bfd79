#include "tools/cli/sound/sound_timing.h"

namespace kerbcall::cli {

// The player here is the multimedia service, which decodes nothing for us.
std::unique_ptr<SoundDecoder> MakeSoundDecoder() { return nullptr; }

}  // namespace kerbcall::cli
