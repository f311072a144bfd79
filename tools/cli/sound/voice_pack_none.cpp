#include "tools/cli/sound/voice_pack.h"

namespace kerbcall::cli {

// Without the player's decoder no call can be measured as it will be heard.
std::unique_ptr<CallMaker> MakeCallMaker(SoundDecoder& /*decoder*/) { return nullptr; }

}  // namespace kerbcall::cli
