#include "platform/posix/proc_mem_reader.h"
#include "platform/posix/proc_process_list.h"
#include "tools/cli/simulator/probe_platform.h"

namespace kerbcall::cli {

ProbePlatform MakeProbePlatform() {
    return {std::make_unique<posix::ProcFsProcessList>(), std::make_unique<posix::ProcMemReader>(),
            &posix::ReadAccessProblem};
}

}  // namespace kerbcall::cli
