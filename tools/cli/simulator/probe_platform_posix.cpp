#include "platform/posix/posix_files.h"
#include "platform/posix/posix_udp.h"
#include "platform/posix/proc_mem_reader.h"
#include "platform/posix/proc_process_list.h"
#include "platform/posix/xdg_user_folders.h"
#include "tools/cli/simulator/probe_platform.h"

namespace kerbcall::cli {

ProbePlatform MakeProbePlatform() {
    return {std::make_unique<posix::ProcFsProcessList>(),
            std::make_unique<posix::ProcMemReader>(),
            &posix::ReadAccessProblem,
            std::make_unique<posix::PosixUdp>(),
            std::make_unique<posix::PosixFiles>(),
            std::make_unique<posix::XdgUserFolders>()};
}

}  // namespace kerbcall::cli
