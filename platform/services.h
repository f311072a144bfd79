#pragma once

#include "platform/files.h"
#include "platform/mci.h"
#include "platform/message_pump.h"
#include "platform/process_list.h"
#include "platform/process_memory.h"
#include "platform/program.h"
#include "platform/sleeper.h"
#include "platform/udp.h"
#include "platform/user_folders.h"

namespace kerbcall::platform {

// Every outside service the program uses, handed over in one piece.
struct Services {
    ProcessList& processes;
    ProcessMemory& memory;
    Files& files;
    Mci& mci;
    Sleeper& sleeper;
    MessagePump& pump;
    Program& program;
    UserFolders& userFolders;
    Udp& udp;
};

}  // namespace kerbcall::platform
