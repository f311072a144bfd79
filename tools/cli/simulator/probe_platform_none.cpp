#include "tools/cli/simulator/probe_platform.h"

namespace kerbcall::cli {

// A platform without a simulator link of its own yet.
ProbePlatform MakeProbePlatform() { return {}; }

}  // namespace kerbcall::cli
