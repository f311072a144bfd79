#include "platform/posix/proc_process_list.h"
#include "platform/posix/process_vm_memory.h"
#include "tools/cli/probe.h"

namespace kerbcall::cli {

ProbePlatform MakeProbePlatform() {
    return {std::make_unique<posix::ProcFsProcessList>(), std::make_unique<posix::ProcessVmMemory>(),
            &posix::ReadAccessProblem};
}

}  // namespace kerbcall::cli
